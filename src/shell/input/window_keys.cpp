// The window's own keys, one row each.
#include "shell/input/window_keys.h"

#include "shell/draw/picture.h"

namespace {
struct WindowKey {
    SDL_Scancode code;
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
    {SDL_SCANCODE_F11, 0, switchFullscreen},
    {SDL_SCANCODE_RETURN, SDL_KMOD_ALT, switchFullscreen},
    {SDL_SCANCODE_P, 0, switchWholePixels},
};
}  // namespace

bool takeWindowKey(Gfx& gfx, const SDL_Event& e)
{
    if (e.type != SDL_EVENT_KEY_DOWN) {
        return false;
    }
    for (const WindowKey& k : WINDOW_KEYS) {
        if (sdlx::scancode(e) == k.code && (k.modifiers == 0 || (sdlx::keyModifiers(e) & k.modifiers) != 0)) {
            if (!sdlx::isKeyRepeat(e)) {
                k.act(gfx);
            }
            return true;
        }
    }
    return false;
}
