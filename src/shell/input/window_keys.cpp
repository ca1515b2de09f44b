// The window's own keys, one row each.
#include "shell/input/window_keys.h"

#include <optional>

#include "shell/draw/picture.h"
#include "shell/input/bindings.h"

namespace {
struct WindowKey {
    std::optional<Action> action;  // the keys the controls bind to this action,
    SDL_Scancode code;             // else this key
    unsigned modifiers;  // one of these must be held with it; 0: none needed
    void (*act)(Gfx&);
};

void switchFullscreen(Gfx& gfx)
{
    sdlx::setDesktopFullscreen(gfx.window, !sdlx::isFullscreen(gfx.window));
    gfx.resized = true;
}

void switchWholePixels(Gfx& gfx)
{
    setWholePixels(gfx, !gfx.wholePixels);
}

constexpr WindowKey WINDOW_KEYS[] = {
    {Action::Fullscreen, SDL_SCANCODE_UNKNOWN, 0, switchFullscreen},
    {std::nullopt, SDL_SCANCODE_RETURN, SDL_KMOD_ALT, switchFullscreen},
    {Action::WholePixels, SDL_SCANCODE_UNKNOWN, 0, switchWholePixels},
};
}  // namespace

bool takeWindowKey(Gfx& gfx, const SDL_Event& e)
{
    if (e.type != SDL_EVENT_KEY_DOWN) {
        return false;
    }
    for (const WindowKey& k : WINDOW_KEYS) {
        const SDL_Scancode code = sdlx::scancode(e);
        const bool key = k.action ? activeControls().actionOf({Binding::Kind::Key, static_cast<int>(code)}) == k.action
                                  : code == k.code;
        if (key && (k.modifiers == 0 || (sdlx::keyModifiers(e) & k.modifiers) != 0)) {
            if (!sdlx::isKeyRepeat(e)) {
                k.act(gfx);
            }
            return true;
        }
    }
    return false;
}
