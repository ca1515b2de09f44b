// The controls table and the controls file on their own, with no SDL: keys are named by
// a small namer of this test's, as a platform would name them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "controls/controls.h"
#include "controls/player_texts.h"

namespace {

const std::pair<const char*, int> KEYS[] = {
    {"A", 4},   {"D", 7},   {"E", 8},    {"I", 12},   {"P", 19},  {"S", 22},  {"W", 26},        {"1", 30},
    {"2", 31},  {"3", 32},  {"4", 33},   {"5", 34},   {"F11", 68}, {"Right", 79}, {"Left", 80}, {"Down", 81},
    {"Up", 82}, {"Keypad 8", 96},
};

std::optional<int> codeOf(std::string_view name)
{
    for (const auto& [known, code] : KEYS) {
        const std::string_view k = known;
        if (k.size() == name.size() && std::equal(k.begin(), k.end(), name.begin(), [](char x, char y) {
                return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
            })) {
            return code;
        }
    }
    return std::nullopt;
}

std::string nameOfCode(int code)
{
    for (const auto& [known, c] : KEYS) {
        if (c == code) {
            return known;
        }
    }
    return "";
}

const KeyNames NAMES{codeOf, nameOfCode};

// Whatever a file gives, the controls written back as a controls file read again as the
// same controls, with nothing to say: what --controls and the page's panel write is
// always a file the game takes as it stands.
TEST(ControlsTable, WhatIsWrittenReadsBackAsTheSameControls)
{
    const std::vector<std::string> files = {
        "{}",
        R"({"walk_up": ["S"], "walk_down": ["W"], "hand": "left", "hold_ms": 800})",
        R"({"walk_right": ["right", "D"], "inventory": ["keypad 8", "Mouse Middle", "Pad Other"]})",
        R"({"break": ["Mouse Right"], "use": ["Mouse Left", "Pad Back"], "slot_1": ["Pad Start"]})",
        R"({"inventory": ["W"], "slot_2": ["Up", "Down"], "walk_left": ["Lefty"]})",
        R"({"walk_left": ["W"], "walk_up": ["S"], "hold_ms": 300})",
        R"(["not", "an", "object"])",
        R"({"walk_up": ["Up"], "walk_up": ["W"], "hand": "left", "hand": "right", "hold_ms": 725})",
    };
    for (const std::string& text : files) {
        SCOPED_TRACE(text);
        const ControlsRead first = readControlsText(text, "first.json", NAMES);
        const std::string written = controlsJson(first.controls, NAMES);
        const ControlsRead again = readControlsText(written, "again.json", NAMES);
        EXPECT_TRUE(again.faults.empty()) << ::testing::PrintToString(again.faults) << "\n" << written;
        EXPECT_EQ(again.controls.bound, first.controls.bound) << written;
        EXPECT_EQ(again.controls.leftHand, first.controls.leftHand);
        EXPECT_EQ(again.controls.holdMs, first.controls.holdMs);
        EXPECT_EQ(controlsListing(again.controls, NAMES), controlsListing(first.controls, NAMES));
    }
}

// What the page's panel says each control takes is what the reader lets it have: every
// action against a key, a mouse button and a pad button, each either given or refused
// with the reason, never silently dropped.
TEST(ControlsTable, ThePanelOffersWhatTheReaderTakes)
{
    const nlohmann::json panel = nlohmann::json::parse(controlsPanelJson(defaultControls(NAMES), NAMES));
    EXPECT_EQ(panel["hold_least"], HOLD_MS_LEAST);
    EXPECT_EQ(panel["hold_most"], HOLD_MS_MOST);
    EXPECT_EQ(panel["in_use"], panel["defaults"]);
    struct Offer {
        const char* name;
        bool isKey;
    };
    // None of these is anyone's default, so nothing else holds them.
    const Offer offers[] = {{"I", true}, {"Pad Back", false}, {"Pad Other", false}};
    for (const ControlRow& row : CONTROL_ROWS) {
        const std::string takes = panel["takes"][row.name];
        for (const Offer& o : offers) {
            SCOPED_TRACE(std::string(row.name) + " given " + o.name);
            const bool allowed = takes == "any" || (takes == "keys") == o.isKey;
            const ControlsRead read =
                readControlsText(nlohmann::json{{row.name, {o.name}}}.dump(), "controls.json", NAMES);
            const Action a = static_cast<Action>(&row - CONTROL_ROWS);
            EXPECT_EQ(read.controls.actionOf(*bindingNamed(o.name, NAMES)) == a, allowed);
            EXPECT_EQ(read.faults.empty(), allowed) << ::testing::PrintToString(read.faults);
        }
        // The defaults the panel shows are the table's, named by the platform.
        std::vector<std::string> defaults;
        for (const char* d : row.defaults) {
            if (d != nullptr) {
                defaults.push_back(nameOf(*bindingNamed(d, NAMES), NAMES));
            }
        }
        EXPECT_EQ(panel["defaults"][row.name], nlohmann::json(defaults));
    }
}

// The game's own keys are the table's first defaults, numbered as the keys' positions
// (the namer above numbers them as a platform does), and the texts made for the player
// and the page name what the table holds.
TEST(ControlsTable, TheGameKeysAndThePlayersTextsFollowTheTable)
{
    const std::pair<const char*, int> codes[] = {{"A", 4},  {"Z", 29},   {"1", 30}, {"9", 38}, {"0", 39},  {"F1", 58},
                                                 {"F12", 69}, {"F0", 0},  {"F13", 0}, {"FF", 0}, {"AB", 0}, {"", 0},
                                                 {"Right", 0}, {"Mouse Left", 0}};
    for (const auto& [name, code] : codes) {
        EXPECT_EQ(keyCodeNamed(name), code) << name;
    }
    const std::pair<const char*, const char*> web[] = {{"W", "KeyW"}, {"1", "Digit1"}, {"0", "Digit0"},
                                                       {"F11", "F11"}, {"Right", ""},     {"Pad Top", ""}};
    for (const auto& [name, code] : web) {
        EXPECT_EQ(webCodeOf(name), code) << name;
    }
    nlohmann::json keys = nlohmann::json::array();
    const std::string usage = controlsUsage();
    for (const ControlRow& row : CONTROL_ROWS) {
        SCOPED_TRACE(row.name);
        const bool onKeys = row.takes != Takes::Buttons;
        EXPECT_EQ(gameKeyOf(row.action), onKeys ? *codeOf(row.defaults[0]) : 0);
        if (onKeys) {
            keys.push_back(webCodeOf(row.defaults[0]));
        }
        EXPECT_NE(usage.find(std::string("  ") + row.defaults[0]), std::string::npos);
        EXPECT_NE(usage.find(std::string(row.does) + "\n"), std::string::npos);
        EXPECT_NE(controlsManLines().find(std::string(".B ") + row.name + "\n"), std::string::npos);
    }
    EXPECT_EQ(nlohmann::json::parse(gameKeysWebJson()), keys);
    EXPECT_EQ(std::count(usage.begin(), usage.end(), '\n'), static_cast<long>(ACTION_COUNT) + 2)
        << "one line a control, two of them with keys too long to share it";
}
}  // namespace
