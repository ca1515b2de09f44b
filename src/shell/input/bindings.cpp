// The controls as the devices use them: SDL's names of keys, and the frame's own events
// for what the player's controls bind.
#include "shell/input/bindings.h"

#include <array>

#include "rules/inventory.h"
#include "shell/platform/sdl.h"

namespace {
std::optional<int> sdlCodeOf(std::string_view name)
{
    // A NUL inside would end the name early.
    if (name.empty() || name.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const SDL_Scancode code = SDL_GetScancodeFromName(std::string(name).c_str());
    if (code == SDL_SCANCODE_UNKNOWN) {
        return std::nullopt;
    }
    return static_cast<int>(code);
}

std::string sdlNameOf(int code)
{
    return SDL_GetScancodeName(static_cast<SDL_Scancode>(code));
}

Controls active = defaultControls();

// The controls' own numbers of the keys are SDL's scancodes.
static_assert(keyCodeNamed("A") == SDL_SCANCODE_A && keyCodeNamed("Z") == SDL_SCANCODE_Z);
static_assert(keyCodeNamed("1") == SDL_SCANCODE_1 && keyCodeNamed("9") == SDL_SCANCODE_9 &&
              keyCodeNamed("0") == SDL_SCANCODE_0);
static_assert(keyCodeNamed("F1") == SDL_SCANCODE_F1 && keyCodeNamed("F12") == SDL_SCANCODE_F12);
}  // namespace

const KeyNames& sdlKeyNames()
{
    static const KeyNames names{sdlCodeOf, sdlNameOf};
    return names;
}

Controls defaultControls()
{
    return defaultControls(sdlKeyNames());
}

std::optional<Binding> bindingNamed(std::string_view name)
{
    return bindingNamed(name, sdlKeyNames());
}

std::string nameOf(Binding b)
{
    return nameOf(b, sdlKeyNames());
}

ControlsRead readControlsText(const std::string& text, const std::string& name)
{
    return readControlsText(text, name, sdlKeyNames());
}

ControlsRead readControlsFile(const std::string& path)
{
    return readControlsFile(path, sdlKeyNames());
}

std::string controlsListing(const Controls& c)
{
    return controlsListing(c, sdlKeyNames());
}

std::string controlsPanelJson(const Controls& inUse)
{
    return controlsPanelJson(inUse, sdlKeyNames());
}

InputEvent gameEventOf(Action a)
{
    // Worked out once: the held keys ask for every action's event for every key, each frame.
    static const std::array<InputEvent, ACTION_COUNT> events = [] {
        std::array<InputEvent, ACTION_COUNT> all{};
        for (size_t i = 0; i < ACTION_COUNT; ++i) {
            InputEvent& e = all[i];
            const auto action = static_cast<Action>(i);
            if (action == Action::Break || action == Action::Use) {
                e.kind = InputEvent::Kind::MouseDown;
                e.button = action == Action::Break ? BUTTON_LEFT : BUTTON_RIGHT;
            } else {
                e.kind = InputEvent::Kind::KeyDown;
                e.scancode = gameKeyOf(action);
            }
        }
        return all;
    }();
    return events[static_cast<size_t>(a)];
}

std::optional<InputEvent> frameEventOf(const Controls& c, Binding b)
{
    if (const std::optional<Action> a = c.actionOf(b)) {
        return gameEventOf(*a);
    }
    InputEvent e;
    if (b.kind == Binding::Kind::Key && !isGameKey(b.code)) {
        e.kind = InputEvent::Kind::KeyDown;
        e.scancode = b.code;
        return e;
    }
    if (b.kind == Binding::Kind::Mouse && b.code > BUTTON_RIGHT) {
        e.kind = InputEvent::Kind::MouseDown;
        e.button = b.code;
        return e;
    }
    return std::nullopt;
}

bool isGameKey(int scancode)
{
    for (size_t i = 0; i < ACTION_COUNT; ++i) {
        const InputEvent e = gameEventOf(static_cast<Action>(i));
        if (e.kind == InputEvent::Kind::KeyDown && e.scancode == scancode) {
            return true;
        }
    }
    return false;
}

KeyState gameKeysHeld(const Controls& c, const std::function<bool(int)>& down)
{
    KeyState held{};
    for (size_t code = 0; code < held.size(); ++code) {
        held[code] = !isGameKey(static_cast<int>(code)) && !c.actionOf({Binding::Kind::Key, static_cast<int>(code)}) &&
                     down(static_cast<int>(code));
    }
    for (size_t i = 0; i < ACTION_COUNT; ++i) {
        const InputEvent e = gameEventOf(static_cast<Action>(i));
        if (e.kind != InputEvent::Kind::KeyDown || e.scancode >= TRACKED_SCANCODES) {
            continue;
        }
        for (const Binding b : c.bound[i]) {
            if (b.kind == Binding::Kind::Key && down(b.code)) {
                held[static_cast<size_t>(e.scancode)] = true;
            }
        }
    }
    return held;
}

const Controls& activeControls()
{
    return active;
}

void setActiveControls(const Controls& c)
{
    active = c;
}
