// Controls files, good and faulty, against the controls the game reads from them and
// what it says about each entry it could not use.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "replay/kept_run.h"
#include "replay/playback.h"
#include "replay/record.h"
#include "rules/recipe_book.h"
#include "rules/screens.h"
#include "rules/world.h"
#include "sdl_fixture.h"
#include "shell/input/bindings.h"
#include "shell/input/sdl_platform.h"

namespace {

// The listing's line of each named action or setting, as `brambix --controls` prints it.
std::string lineOf(const Controls& c, const std::string& name)
{
    const std::string all = "\n" + controlsListing(c);
    const size_t at = all.find("\n" + name + " ");
    return at == std::string::npos ? "" : all.substr(at + 1, all.find('\n', at + 1) - at - 1);
}

TEST(ControlsFile, EachEntryIsReadOrNamedWithWhyAndNoActionIsLeftWithoutAKey)
{
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> lines;   // listing lines expected, whitespace squeezed
        std::vector<std::string> faults;  // each expected in its own fault, in order
    };
    const std::string deep = std::string(20, '[') + std::string(20, ']');
    const std::vector<Case> cases = {
        {"the walk remapped to the arrows, by any case", R"({"walk_right": ["Right", "right"], "walk_up": "up"})",
         {"walk_right Right", "walk_up Up", "walk_down S"}, {}},
        {"keys named as SDL names them, and a button another action keeps",
         R"({"inventory": ["Keypad 8", "Left Shift", "Mouse Middle"]})",
         {"inventory Keypad 8, Left Shift", "use Mouse Right, Mouse Middle, Pad Clockwise"},
         {R"("inventory": "Mouse Middle" is already given to use)"}},
        {"a swap of two keys", R"({"walk_up": ["S"], "walk_down": ["W"]})", {"walk_up S", "walk_down W"}, {}},
        {"the left hand and a slower hold", R"({"hand": "left", "hold_ms": 800})", {"hand left", "hold_ms 800"}, {}},
        {"the range's ends", R"({"hold_ms": 300.0, "slot_1": ["Pad Other"]})", {"hold_ms 300", "slot_1 Pad Other"}, {}},
        {"not JSON", R"({"walk_up": ["W"],)", {"walk_up W", "hand right"}, {"not valid JSON: parse error at line 1"}},
        {"not an object", R"(["W"])", {"walk_up W"}, {"not an object of controls: it is [\"W\"]"}},
        {"nested too deep", deep, {"walk_up W"}, {"nested deeper than 8 levels"}},
        {"an unknown action and an unknown key", R"({"jump": ["Space"], "walk_left": ["Lefty"]})",
         {"walk_left A"},
         {R"("jump": no such control)", R"("walk_left": no key or button is named "Lefty")",
          R"("walk_left": nothing it names can be used; the default is kept)"}},
        {"a key given to two actions", R"({"walk_up": ["Up"], "walk_down": ["Up", "Down"]})",
         {"walk_up Up", "walk_down Down"}, {R"("walk_down": "Up" is already given to walk_up)"}},
        {"a key taken from an action left with no other", R"({"inventory": ["W"]})", {"walk_up W", "inventory E, Pad Top"},
         {R"("inventory": "W" is already given to walk_up)", R"("inventory": none of its keys is free)"}},
        {"an action that named nothing it could have gets its defaults back",
         R"({"walk_left": ["W"], "walk_up": ["S"]})", {"walk_up W", "walk_left A", "walk_down S"},
         {R"("walk_up": "S" is already given to walk_down)", R"("walk_up": none of its keys is free)",
          R"("walk_left": "W" goes back to walk_up, which has no other key)", R"("walk_left": none of its keys)"}},
        {"a click on a key, a key on a click", R"({"break": ["B"], "walk_up": ["Mouse Left"]})",
         {"break Mouse Left, Pad Confirm", "walk_up W"},
         {R"("break": "B": break takes mouse or pad buttons only)", R"("break": nothing it names can be used)",
          R"("walk_up": "Mouse Left": walk_up takes keys only)", R"("walk_up": nothing it names can be used)"}},
        {"values out of range or of the wrong kind",
         R"({"hand": "both", "hold_ms": 1001, "slot_2": 2, "slot_3": [], "slot_4": [4]})",
         {"hand right", "hold_ms 500", "slot_2 2", "slot_3 3", "slot_4 4"},
         {R"("hand": is "both", not "left" or "right")", R"("hold_ms": is 1001, not a whole number)",
          R"("slot_2": is 2, not a list)", R"("slot_3": names no key)", R"("slot_4": 4 is not the name)",
          R"("slot_4": nothing it names)"}},
        {"a control and a setting named again: the first entry is used",
         R"({"walk_up": ["Up"], "hold_ms": 800, "walk_up": ["W"], "jump": 1, "walk_up": ["Down"], "hold_ms": 9, "jump": 2})",
         {"walk_up Up", "hold_ms 800", "walk_down S"},
         {R"("walk_up": named 3 times; the first entry is used and the later ones are left out)",
          R"("hold_ms": named 2 times)", R"("jump": no such control)"}},
        {"a fraction of a millisecond and a name with a NUL", "{\"hold_ms\": 400.5, \"walk_up\": [\"W\\u0000X\"]}",
         {"hold_ms 500", "walk_up W"}, {"is 400.5", R"(no key or button is named "W)", "nothing it names"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ControlsRead read = readControlsText(c.text, "controls.json");
        for (const std::string& expected : c.lines) {
            std::string line = lineOf(read.controls, expected.substr(0, expected.find(' ')));
            // The listing pads the names into a column.
            line.erase(line.find(' ') + 1, line.find_first_not_of(' ', line.find(' ')) - line.find(' ') - 1);
            EXPECT_EQ(line, expected);
        }
        ASSERT_EQ(read.faults.size(), c.faults.size()) << ::testing::PrintToString(read.faults);
        for (size_t i = 0; i < c.faults.size(); ++i) {
            EXPECT_NE(read.faults[i].find("controls.json: "), std::string::npos) << read.faults[i];
            EXPECT_NE(read.faults[i].find(c.faults[i]), std::string::npos) << read.faults[i];
        }
        // Whatever the file, every action keeps a key and no key gives two actions.
        std::vector<Binding> seen;
        for (const auto& keys : read.controls.bound) {
            EXPECT_FALSE(keys.empty());
            for (const Binding b : keys) {
                EXPECT_EQ(std::count(seen.begin(), seen.end(), b), 0) << nameOf(b);
                seen.push_back(b);
            }
        }
        // And a key held alone shows the frame what a press of it does (its action's own
        // key, itself, or nothing), for every key SDL 2 and 3 know.
        for (int code = 0; code < 512; ++code) {
            const std::optional<InputEvent> pressed = frameEventOf(read.controls, {Binding::Kind::Key, code});
            KeyState held{};
            if (pressed && pressed->kind == InputEvent::Kind::KeyDown && pressed->scancode < TRACKED_SCANCODES) {
                held[static_cast<size_t>(pressed->scancode)] = true;
            }
            EXPECT_EQ(gameKeysHeld(read.controls, [code](int c) { return c == code; }), held) << code;
        }
    }
}

TEST(ControlsFile, NoFileSaysNothingAndAFileOfAnotherKindOrSizeOrALinkToNothingIsNamed)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "brambix-controls-test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "folder.json");
    std::ofstream(dir / "big.json") << std::string(CONTROLS_LIMIT_BYTES + 1, ' ');
    struct Case {
        std::string path;
        ControlsRead::Status status;
        std::string fault;
    };
    std::vector<Case> cases = {
        {"", ControlsRead::Absent, ""},
        {(dir / "none.json").string(), ControlsRead::Absent, ""},
        {(dir / "folder.json").string(), ControlsRead::Read, "it is a directory, not a regular file"},
        {(dir / "big.json").string(), ControlsRead::Read, "larger than the limit of"},
    };
    std::error_code ec;  // Wine makes no symbolic links
    std::filesystem::create_symlink(dir / "gone.json", dir / "link.json", ec);
    if (!ec) {
        cases.push_back({(dir / "link.json").string(), ControlsRead::Read,
                         "cannot read: it is a symbolic link to a file that does not exist"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const ControlsRead read = readControlsFile(c.path);
        EXPECT_EQ(read.status, c.status);
        EXPECT_EQ(controlsListing(read.controls), controlsListing(defaultControls()));
        ASSERT_EQ(read.faults.size(), c.fault.empty() ? 0u : 1u);
        if (!c.fault.empty()) {
            EXPECT_NE(read.faults[0].find(c.fault), std::string::npos) << read.faults[0];
        }
    }
    std::filesystem::remove_all(dir);
}

// A replay holds the game's own controls: one recorded with the inventory on I and the
// mouse's buttons swapped verifies with the defaults.
class ControlsReplayTest : public shelltest::SdlSuite {};

TEST_F(ControlsReplayTest, AReplayRecordedWithBindingsVerifiesWithoutThem)
{
    ASSERT_NE(loadRecipes(RECIPES_PATH).status, RecipeLoad::Invalid);
    const std::string path = ::testing::TempDir() + "brambix-bound.brx";
    setActiveControls(readControlsText(R"({"inventory": ["I"], "break": ["Mouse Right"], "use": ["Mouse Left"]})", "c")
                          .controls);
    Loop loop;
    startAfresh(loop);
    DeviceInput devices;
    ReplayRecorder r;
    r.path = path;
    ASSERT_TRUE(r.file.emplace().claim(path)) << r.file->problem();
    r.inner = sdlPlatform(gfx(), devices);
    r.inner.ticks = [] { return shelltest::fakeNow; };
    Platform io = recordingPlatform(r);
    SDL_WarpMouseInWindow(gfx().window, 300.0f, 300.0f);
    const auto frames = [&](int n, std::vector<SDL_Event> events = {}) {
        for (int i = 0; i < n; ++i) {
            for (SDL_Event& e : events) {
                SDL_PushEvent(&e);
            }
            events.clear();
            shelltest::fakeNow += 16;
            stepFrame(loop, io);
            recordFrame(r, loop);
        }
    };
    frames(3, {sdlx::mouseDownEvent(SDL_BUTTON_RIGHT)});  // breaks the tile under the pointer
    EXPECT_EQ(world.size(), 1u);
    frames(70, {sdlx::keyDownEvent(SDL_SCANCODE_E)});  // no longer the inventory's
    EXPECT_FALSE(screenOpen());
    frames(3, {sdlx::keyDownEvent(SDL_SCANCODE_I)});
    EXPECT_TRUE(screenOpen());
    SDL_Event quit{};
    quit.type = SDL_EVENT_QUIT;
    frames(1, {quit});
    r.file.reset();

    setActiveControls(defaultControls());
    ReplayPlayer player;
    ASSERT_EQ(player.load(path), std::nullopt);
    startAfresh(loop);
    const std::optional<Verdict> v = player.play(loop, UINT64_MAX);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->status, 0) << v->line;
    EXPECT_TRUE(screenOpen());
    std::filesystem::remove(path);
}

TEST(ControlsFile, TheHoldReadsAsAPlayerWouldSayIt)
{
    const std::pair<uint32_t, const char*> cases[] = {
        {500, "half a second"}, {1000, "1 second"}, {300, "0.3 seconds"}, {750, "0.75 seconds"}, {305, "0.305 seconds"},
    };
    for (const auto& [ms, text] : cases) {
        EXPECT_EQ(holdText(ms), text);
    }
}
}  // namespace
