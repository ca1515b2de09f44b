// The controls table, the names a player gives keys and buttons, and the controls file.
#include "controls/controls.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <nlohmann/json.hpp>

#include "files/regular_file.h"

namespace {
using ordered = nlohmann::ordered_json;

struct NamedButton {
    const char* name;
    Binding binding;
};

constexpr NamedButton BUTTON_NAMES[] = {
    {"Mouse Left", {Binding::Kind::Mouse, 1}},
    {"Mouse Middle", {Binding::Kind::Mouse, 2}},
    {"Mouse Right", {Binding::Kind::Mouse, 3}},
    {"Pad Confirm", {Binding::Kind::Pad, static_cast<int>(PadButton::Confirm)}},
    {"Pad Clockwise", {Binding::Kind::Pad, static_cast<int>(PadButton::Clockwise)}},
    {"Pad Top", {Binding::Kind::Pad, static_cast<int>(PadButton::Top)}},
    {"Pad Other", {Binding::Kind::Pad, static_cast<int>(PadButton::Other)}},
    {"Pad Back", {Binding::Kind::Pad, static_cast<int>(PadButton::Back)}},
    {"Pad Start", {Binding::Kind::Pad, static_cast<int>(PadButton::Start)}},
    {"Pad Left Stick", {Binding::Kind::Pad, static_cast<int>(PadButton::LeftStick)}},
    {"Pad Right Stick", {Binding::Kind::Pad, static_cast<int>(PadButton::RightStick)}},
};

// A value shown in a fault is cut short: the file is the player's, its strings any length.
constexpr size_t SHOWN_BYTES = 40;

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string shown(const ordered& v)
{
    std::string s = v.is_string() ? v.get<std::string>() : v.dump(-1, ' ', false, ordered::error_handler_t::replace);
    const bool cut = s.size() > SHOWN_BYTES;
    if (cut) {
        s.resize(SHOWN_BYTES);
    }
    if (v.is_string()) {
        s = ordered(s).dump(-1, ' ', false, ordered::error_handler_t::replace);
    }
    return cut ? s + "..." : s;
}

std::optional<Action> actionNamed(std::string_view name)
{
    for (size_t i = 0; i < ACTION_COUNT; ++i) {
        if (name == CONTROL_ROWS[i].name) {
            return static_cast<Action>(i);
        }
    }
    return std::nullopt;
}

const char* nameOf(Action a)
{
    return CONTROL_ROWS[static_cast<size_t>(a)].name;
}

bool takes(Action a, Binding b)
{
    switch (CONTROL_ROWS[static_cast<size_t>(a)].takes) {
    case Takes::Keys:
        return b.kind == Binding::Kind::Key;
    case Takes::Buttons:
        return b.kind != Binding::Kind::Key;
    case Takes::Any:
        break;
    }
    return true;
}

const char* whatItTakes(Action a)
{
    return CONTROL_ROWS[static_cast<size_t>(a)].takes == Takes::Keys ? "takes keys only"
                                                                     : "takes mouse or pad buttons only";
}

// Stops the parse at a depth no controls file has.
struct TooDeep {};

// The keys an action asks for in the file, or why it asks for none it can have.
struct Asked {
    Action action;
    std::vector<Binding> bindings;
};

struct Reader {
    std::string name;
    KeyNames keys;
    ControlsRead out{ControlsRead::Absent, defaultControls(keys), {}};

    void fault(const std::string& entry, const std::string& why)
    {
        out.faults.push_back(name + ": " + entry + ": " + why);
    }

    // The bindings named in `v` that `a` can take, each once.
    std::optional<Asked> asked(Action a, const ordered& v)
    {
        const std::string entry = std::string("\"") + nameOf(a) + "\"";
        if (!v.is_array() && !v.is_string()) {
            fault(entry, "is " + shown(v) + ", not a list of keys or buttons; the default is kept");
            return std::nullopt;
        }
        const ordered list = v.is_string() ? ordered::array({v}) : v;
        Asked out{a, {}};
        for (const ordered& item : list) {
            if (!item.is_string()) {
                fault(entry, shown(item) + " is not the name of a key or button");
                continue;
            }
            const std::optional<Binding> b = bindingNamed(item.get<std::string>(), keys);
            if (!b) {
                fault(entry, "no key or button is named " + shown(item));
            } else if (!takes(a, *b)) {
                fault(entry, shown(item) + ": " + nameOf(a) + " " + whatItTakes(a));
            } else if (std::find(out.bindings.begin(), out.bindings.end(), *b) == out.bindings.end()) {
                out.bindings.push_back(*b);
            }
        }
        if (out.bindings.empty()) {
            if (!list.empty() || v.is_string()) {
                fault(entry, "nothing it names can be used; the default is kept");
            } else {
                fault(entry, "names no key; the default is kept");
            }
            return std::nullopt;
        }
        return out;
    }

    void hand(const ordered& v)
    {
        if (v == "left" || v == "right") {
            out.controls.leftHand = v == "left";
        } else {
            fault("\"hand\"", "is " + shown(v) + ", not \"left\" or \"right\"; the right hand is kept");
        }
    }

    void hold(const ordered& v)
    {
        const double ms = v.is_number() ? v.get<double>() : 0.0;
        if (ms == std::floor(ms) && ms >= HOLD_MS_LEAST && ms <= HOLD_MS_MOST) {
            out.controls.holdMs = static_cast<uint32_t>(ms);
        } else {
            fault("\"hold_ms\"", "is " + shown(v) + ", not a whole number of milliseconds from " +
                                     std::to_string(HOLD_MS_LEAST) + " to " + std::to_string(HOLD_MS_MOST) + "; " +
                                     std::to_string(HOLD_MS_DEFAULT) + " is kept");
        }
    }

    // Gives each action what it asked for, where no other action has it: the first entry
    // to name a key has it, an action the file leaves alone keeps its defaults, and an
    // action left with nothing takes its defaults back from whoever took them.
    void assign(const std::vector<Asked>& entries)
    {
        Controls& c = out.controls;
        const Controls defaults = defaultControls(keys);
        std::array<bool, ACTION_COUNT> fixed{};
        fixed.fill(true);
        for (const Asked& e : entries) {
            fixed[static_cast<size_t>(e.action)] = false;
            c.of(e.action).clear();
        }
        for (const Asked& e : entries) {
            for (const Binding b : e.bindings) {
                if (const std::optional<Action> holder = c.actionOf(b)) {
                    fault(std::string("\"") + nameOf(e.action) + "\"",
                          "\"" + nameOf(b, keys) + "\" is already given to " + nameOf(*holder));
                } else {
                    c.of(e.action).push_back(b);
                }
            }
        }
        for (bool changed = true; changed;) {
            changed = false;
            for (size_t i = 0; i < ACTION_COUNT; ++i) {
                if (fixed[i] || !c.bound[i].empty()) {
                    continue;
                }
                const auto a = static_cast<Action>(i);
                fault(std::string("\"") + nameOf(a) + "\"", "none of its keys is free; the default is kept");
                fixed[i] = true;
                changed = true;
                c.bound[i] = defaults.bound[i];
                for (size_t j = 0; j < ACTION_COUNT; ++j) {
                    for (const Binding b : defaults.bound[i]) {
                        auto& other = c.bound[j];
                        if (j != i && std::erase(other, b) > 0) {
                            fault(std::string("\"") + CONTROL_ROWS[j].name + "\"",
                                  "\"" + nameOf(b, keys) + "\" goes back to " + nameOf(a) + ", which has no other key");
                        }
                    }
                }
            }
        }
    }

    void read(const std::string& text)
    {
        out.status = ControlsRead::Read;
        ordered doc;
        // How often each name of the object is given: the object keeps only the first
        // entry of a name, and the later ones are named (a parsed object would keep one
        // of them and never tell).
        std::map<std::string, size_t, std::less<>> given;
        try {
            doc = ordered::parse(text, [&given](int depth, ordered::parse_event_t event, ordered& parsed) {
                if (depth > CONTROLS_NESTING_LIMIT) {
                    throw TooDeep{};
                }
                if (event == ordered::parse_event_t::key && depth == 1) {
                    return ++given[parsed.get<std::string>()] == 1;
                }
                return true;
            });
        } catch (const TooDeep&) {
            fault("not valid controls", "nested deeper than " + std::to_string(CONTROLS_NESTING_LIMIT) +
                                            " levels; the default controls are used");
            return;
        } catch (const ordered::exception& e) {
            std::string what = e.what();
            if (const size_t id = what.find("] "); id != std::string::npos) {
                what = what.substr(id + 2);
            }
            fault("not valid JSON", what.substr(0, 240) + "; the default controls are used");
            return;
        }
        if (!doc.is_object()) {
            fault("not an object of controls", "it is " + shown(doc) + "; the default controls are used");
            return;
        }
        std::vector<Asked> entries;
        for (const auto& [key, value] : doc.items()) {
            const bool known = key == "hand" || key == "hold_ms" || actionNamed(key);
            if (const size_t times = given.find(key)->second; times > 1 && known) {
                fault(shown(ordered(key)), "named " + std::to_string(times) +
                                               " times; the first entry is used and the later ones are left out");
            }
            if (key == "hand") {
                hand(value);
            } else if (key == "hold_ms") {
                hold(value);
            } else if (const std::optional<Action> a = actionNamed(key)) {
                if (std::optional<Asked> e = asked(*a, value)) {
                    entries.push_back(std::move(*e));
                }
            } else {
                fault(shown(ordered(key)), "no such control; it is left out");
            }
        }
        assign(entries);
    }
};
}  // namespace

std::optional<Action> Controls::actionOf(Binding b) const
{
    for (size_t i = 0; i < ACTION_COUNT; ++i) {
        if (std::find(bound[i].begin(), bound[i].end(), b) != bound[i].end()) {
            return static_cast<Action>(i);
        }
    }
    return std::nullopt;
}

Controls defaultControls(const KeyNames& keys)
{
    Controls c;
    for (size_t i = 0; i < ACTION_COUNT; ++i) {
        for (const char* name : CONTROL_ROWS[i].defaults) {
            // A platform that has no name for a default key leaves it out.
            if (const std::optional<Binding> b = name != nullptr ? bindingNamed(name, keys) : std::nullopt) {
                c.bound[i].push_back(*b);
            }
        }
    }
    return c;
}

std::optional<Binding> bindingNamed(std::string_view name, const KeyNames& keys)
{
    for (const NamedButton& b : BUTTON_NAMES) {
        if (sameName(name, b.name)) {
            return b.binding;
        }
    }
    if (const std::optional<int> code = keys.codeOf(name)) {
        return Binding{Binding::Kind::Key, *code};
    }
    return std::nullopt;
}

std::string nameOf(Binding b, const KeyNames& keys)
{
    if (b.kind == Binding::Kind::Key) {
        return keys.nameOf(b.code);
    }
    for (const NamedButton& n : BUTTON_NAMES) {
        if (n.binding == b) {
            return n.name;
        }
    }
    return "?";
}

ControlsRead readControlsText(const std::string& text, const std::string& name, const KeyNames& keys)
{
    Reader r{name, keys};
    r.read(text);
    return r.out;
}

ControlsRead readControlsFile(const std::string& path, const KeyNames& keys)
{
    ControlsRead out{ControlsRead::Absent, defaultControls(keys), {}};
    if (path.empty()) {
        return out;
    }
    try {
        const FileRead file = readRegularFile(path, CONTROLS_LIMIT_BYTES);
        switch (file.status) {
        case FileRead::Read:
            return readControlsText(file.text, path, keys);
        case FileRead::Missing: {
            // A link left pointing at nothing is the player's file gone astray, not no file.
            std::error_code ec;
            if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) {
                return out;
            }
            out.faults.push_back(path + ": cannot read: it is a symbolic link to a file that does not exist; "
                                        "the default controls are used");
            break;
        }
        case FileRead::NotRegular:
            out.faults.push_back(path + ": cannot read: it is " + file.problem +
                                 ", not a regular file; the default controls are used");
            break;
        case FileRead::TooLarge:
            out.faults.push_back(path + ": cannot read: larger than the limit of " + file.problem +
                                 " for a controls file; the default controls are used");
            break;
        case FileRead::Failed:
            out.faults.push_back(path + ": cannot read: " + file.problem + "; the default controls are used");
            break;
        }
    } catch (const std::bad_alloc&) {
        out.faults.push_back(path + ": too large to load into memory; the default controls are used");
    }
    out.status = ControlsRead::Read;
    return out;
}

std::string controlsPath()
{
    namespace fs = std::filesystem;
#if defined(_WIN32)
    const wchar_t* appData = _wgetenv(L"APPDATA");
    if (appData == nullptr || *appData == L'\0') {
        return "";
    }
    return (fs::path(appData) / "Brambix" / "controls.json").string();
#else
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is to be passed over, as the base directory rules say.
    if (config != nullptr && *config == '/') {
        return (fs::path(config) / "brambix" / "controls.json").string();
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        return "";
    }
    return (fs::path(home) / ".config" / "brambix" / "controls.json").string();
#endif
}

std::string controlsListing(const Controls& c, const KeyNames& keys)
{
    std::string out;
    for (size_t i = 0; i < ACTION_COUNT; ++i) {
        std::string line = CONTROL_ROWS[i].name;
        line.resize(std::max<size_t>(line.size() + 1, 14), ' ');
        for (size_t k = 0; k < c.bound[i].size(); ++k) {
            line += (k > 0 ? ", " : "") + nameOf(c.bound[i][k], keys);
        }
        out += line + "\n";
    }
    out += std::string("hand          ") + (c.leftHand ? "left" : "right") + "\n";
    out += "hold_ms       " + std::to_string(c.holdMs) + "\n";
    return out;
}

namespace {
ordered controlsObject(const Controls& c, const KeyNames& keys)
{
    ordered out = ordered::object();
    for (size_t i = 0; i < ACTION_COUNT; ++i) {
        ordered names = ordered::array();
        for (const Binding b : c.bound[i]) {
            names.push_back(nameOf(b, keys));
        }
        out[CONTROL_ROWS[i].name] = names;
    }
    out["hand"] = c.leftHand ? "left" : "right";
    out["hold_ms"] = c.holdMs;
    return out;
}
}  // namespace

std::string controlsJson(const Controls& c, const KeyNames& keys)
{
    return controlsObject(c, keys).dump(-1, ' ', false, ordered::error_handler_t::replace);
}

std::string controlsPanelJson(const Controls& inUse, const KeyNames& keys)
{
    ordered takes = ordered::object();
    for (const ControlRow& row : CONTROL_ROWS) {
        takes[row.name] = row.takes == Takes::Keys ? "keys" : row.takes == Takes::Buttons ? "buttons" : "any";
    }
    const ordered out = {{"in_use", controlsObject(inUse, keys)}, {"defaults", controlsObject(defaultControls(keys), keys)},
                         {"takes", takes}, {"hold_least", HOLD_MS_LEAST}, {"hold_most", HOLD_MS_MOST}};
    return out.dump(-1, ' ', false, ordered::error_handler_t::replace);
}

std::string holdText(uint32_t ms)
{
    if (ms == 500) {
        return "half a second";
    }
    if (ms == 1000) {
        return "1 second";
    }
    std::string tenths = std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100);
    if (ms % 100 != 0) {
        tenths += std::to_string(ms % 100 / 10) + (ms % 10 != 0 ? std::to_string(ms % 10) : "");
    }
    return tenths + " seconds";
}
