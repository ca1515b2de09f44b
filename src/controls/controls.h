// The controls a player chooses: which key, mouse button or pad button gives each of the
// game's actions, which hand holds the touch stick and how long a touch is held to count
// as a hold. Read once at start from controls.json; the frame and the replays only ever
// see the game's own actions (the default keys and the left and right click).
// Nothing here knows the platform: keys are named through the KeyNames it is given.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The game's actions, in the order they are listed and written.
enum class Action {
    WalkUp,
    WalkLeft,
    WalkDown,
    WalkRight,
    Inventory,
    Slot1,
    Slot2,
    Slot3,
    Slot4,
    Slot5,
    Fullscreen,
    WholePixels,
    Break,
    Use,
};
constexpr size_t ACTION_COUNT = static_cast<size_t>(Action::Use) + 1;

// What may give an action: keys for the keyboard's actions, mouse and pad buttons for
// the clicks, any of them for the inventory and the hotbar slots.
enum class Takes { Keys, Buttons, Any };

// One row of the table: the action, its name in controls.json, its defaults as the
// player names them, and what it does. The texts a player reads (--help, --controls, the
// manual page and the READMEs, printed by tools/playertexts) are made from this table.
// The first default of an action that takes keys is the game's own key for it: the key
// the frame acts on and replays record, whatever key the player binds (gameKeyOf).
struct ControlRow {
    Action action;
    const char* name;
    std::array<const char*, 3> defaults;  // unused entries are null
    Takes takes;
    const char* does;
};

// clang-format off
constexpr ControlRow CONTROL_ROWS[] = {
    {Action::WalkUp,     "walk_up",      {"W"},                             Takes::Keys,    "walk up (held)"},
    {Action::WalkLeft,   "walk_left",    {"A"},                             Takes::Keys,    "walk left (held)"},
    {Action::WalkDown,   "walk_down",    {"S"},                             Takes::Keys,    "walk down (held)"},
    {Action::WalkRight,  "walk_right",   {"D"},                             Takes::Keys,    "walk right (held)"},
    {Action::Inventory,  "inventory",    {"E", "Pad Top"},                  Takes::Any,     "open or close the inventory"},
    {Action::Slot1,      "slot_1",       {"1"},                             Takes::Any,     "select hotbar slot 1"},
    {Action::Slot2,      "slot_2",       {"2"},                             Takes::Any,     "select hotbar slot 2"},
    {Action::Slot3,      "slot_3",       {"3"},                             Takes::Any,     "select hotbar slot 3"},
    {Action::Slot4,      "slot_4",       {"4"},                             Takes::Any,     "select hotbar slot 4"},
    {Action::Slot5,      "slot_5",       {"5"},                             Takes::Any,     "select hotbar slot 5"},
    {Action::Fullscreen, "fullscreen",   {"F11"},                           Takes::Keys,    "fullscreen on or off (so does Alt+Enter)"},
    {Action::WholePixels,"whole_pixels", {"P"},                             Takes::Keys,    "whole-pixel scaling on or off"},
    {Action::Break,      "break",        {"Mouse Left", "Pad Confirm"},     Takes::Buttons, "hit the creature, else break the tile (on a screen, a whole stack)"},
    {Action::Use,        "use",          {"Mouse Right", "Mouse Middle", "Pad Clockwise"}, Takes::Buttons, "eat, open a crafting table or place a block (on a screen, one item)"},
};
// clang-format on
static_assert(std::size(CONTROL_ROWS) == ACTION_COUNT, "a row for every action, and an action for every row");

// The position code of a key the game names as its own ("W", "1", "F11"): the number USB
// keyboards send for the key at that place, which is also SDL's scancode of it (the shell
// checks the two agree). 0 for any other name.
constexpr int keyCodeNamed(std::string_view name)
{
    if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') {
        return 4 + (name[0] - 'A');
    }
    if (name.size() == 1 && name[0] >= '1' && name[0] <= '9') {
        return 30 + (name[0] - '1');
    }
    if (name == "0") {
        return 39;
    }
    if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F') {
        int n = 0;
        for (const char c : name.substr(1)) {
            n = c >= '0' && c <= '9' ? n * 10 + (c - '0') : 100;
        }
        return n >= 1 && n <= 12 ? 58 + n - 1 : 0;
    }
    return 0;
}

// The game's own key for `a`: the key of its first default, which the frame acts on and
// replays record (so changing one changes what recorded replays do: the committed ones
// stop verifying); 0 for an action on buttons alone (break, use).
constexpr int gameKeyOf(Action a)
{
    const ControlRow& row = CONTROL_ROWS[static_cast<size_t>(a)];
    return row.takes == Takes::Buttons ? 0 : keyCodeNamed(row.defaults[0]);
}

// The action that selects hotbar slot `slot` (from 0).
constexpr Action slotAction(int slot)
{
    return static_cast<Action>(static_cast<int>(Action::Slot1) + slot);
}
constexpr int SLOT_ACTIONS = static_cast<int>(Action::Slot5) - static_cast<int>(Action::Slot1) + 1;

// The rows in the enum's order, and every action on keys with a game key of its own: a
// default that is no letter, digit or F key, or a key two actions share, stops the build.
constexpr bool controlRowsLineUp()
{
    for (size_t i = 0; i < ACTION_COUNT; ++i) {
        const auto a = static_cast<Action>(i);
        if (CONTROL_ROWS[i].action != a || (CONTROL_ROWS[i].takes != Takes::Buttons && gameKeyOf(a) == 0)) {
            return false;
        }
        for (size_t j = 0; j < i; ++j) {
            if (gameKeyOf(a) != 0 && gameKeyOf(a) == gameKeyOf(static_cast<Action>(j))) {
                return false;
            }
        }
    }
    return true;
}
static_assert(controlRowsLineUp(), "CONTROL_ROWS: each row's action in the enum's order, each key action's first default "
                                   "a key of its own (a letter, a digit or F1 to F12)");

// clang-format off
// The press that turns a touch into a hold, in milliseconds: the default and the range
// a player may choose from.
constexpr uint32_t HOLD_MS_DEFAULT = 500;
constexpr uint32_t HOLD_MS_LEAST = 300;
constexpr uint32_t HOLD_MS_MOST = 1000;
// clang-format on

// A pad's buttons by the part they play, found on each pad by its labels: the confirm
// button, the next one round clockwise, the top one and the fourth of the face buttons,
// then the buttons in the same place on every pad.
enum class PadButton { Confirm, Clockwise, Top, Other, Back, Start, LeftStick, RightStick };
constexpr size_t PAD_BUTTON_COUNT = 8;

// A key (by scancode), a mouse button (1 left, 2 middle, 3 right) or a pad button.
struct Binding {
    enum class Kind { Key, Mouse, Pad } kind = Kind::Key;
    int code = 0;
    bool operator==(const Binding&) const = default;
};

struct Controls {
    std::array<std::vector<Binding>, ACTION_COUNT> bound;
    bool leftHand = false;  // the touch stick on the right, the inventory button on the left
    uint32_t holdMs = HOLD_MS_DEFAULT;

    // The action `b` gives; none when it gives none.
    std::optional<Action> actionOf(Binding b) const;
    std::vector<Binding>& of(Action a) { return bound[static_cast<size_t>(a)]; }
    const std::vector<Binding>& of(Action a) const { return bound[static_cast<size_t>(a)]; }
};

// How the platform names keys by their position ("W", "Keypad 8", "Left Shift"): the
// scancode a name stands for, matched without regard to case (none for a name it does
// not know), and the name of a scancode.
struct KeyNames {
    std::optional<int> (*codeOf)(std::string_view name);
    std::string (*nameOf)(int code);
};

// The controls as the game ships them.
Controls defaultControls(const KeyNames& keys);

// The binding a player's name stands for ("W", "keypad 8", "Mouse Left", "Pad Top"),
// matched without regard to case; none for a name the game does not know.
std::optional<Binding> bindingNamed(std::string_view name, const KeyNames& keys);

// The name of `b` as the player writes it.
std::string nameOf(Binding b, const KeyNames& keys);

// What reading a controls file gave: the controls to play with, and one line for each
// entry that could not be used, saying which and why.
struct ControlsRead {
    enum Status { Absent, Read } status = Absent;
    Controls controls;
    std::vector<std::string> faults;
};

// The most a controls file may hold, and how deep it may nest.
constexpr size_t CONTROLS_LIMIT_BYTES = size_t{64} << 10;
constexpr int CONTROLS_NESTING_LIMIT = 8;

// Reads the controls from `text`, a file's contents; `name` names it in the faults.
// Anything it cannot use keeps its default, so every action keeps a key.
ControlsRead readControlsText(const std::string& text, const std::string& name, const KeyNames& keys);

// Reads the controls file at `path`: Absent, with the defaults and no fault, when there
// is no file; a file that cannot be read is a fault like any other.
ControlsRead readControlsFile(const std::string& path, const KeyNames& keys);

// Where the player's controls file is: $XDG_CONFIG_HOME/brambix/controls.json, else
// ~/.config/brambix/controls.json (%APPDATA%\Brambix\controls.json on Windows); empty
// when the environment names no such folder.
std::string controlsPath();

// The controls in use, one line an action ("walk_right    Right, D"), then the hand and
// the hold.
std::string controlsListing(const Controls& c, const KeyNames& keys);

// The controls as a controls file writes them: {"walk_up": ["W"], ..., "hand": "right",
// "hold_ms": 500}.
std::string controlsJson(const Controls& c, const KeyNames& keys);

// What a page's controls panel needs, as JSON: the controls in use and the defaults
// (as controlsJson), what each control takes ("keys", "buttons" or "any") and the
// hold's range.
std::string controlsPanelJson(const Controls& inUse, const KeyNames& keys);

// The hold as a player reads it: "half a second", "0.3 seconds", "1 second".
std::string holdText(uint32_t ms);
