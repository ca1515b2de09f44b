// SDL behind the frame loop's platform seam.
#include "shell/platform.h"

#include "shell/sdl.h"

namespace {
bool pollSdlEvent(InputEvent& out)
{
    SDL_Event e;
    if (!SDL_PollEvent(&e)) {
        return false;
    }
    out = {};
    switch (e.type) {
    case SDL_EVENT_QUIT:
        out.kind = InputEvent::Kind::Quit;
        break;
    case SDL_EVENT_KEY_DOWN:
        out.kind = InputEvent::Kind::KeyDown;
        out.scancode = sdlx::scancode(e);
        break;
    case SDL_EVENT_MOUSE_BUTTON_DOWN:
        out.kind = InputEvent::Kind::MouseDown;
        out.button = e.button.button;
        break;
    default:
        break;
    }
    return true;
}

PointerPos sdlMouse()
{
    PointerPos p;
    SDL_GetMouseState(&p.x, &p.y);
    return p;
}

KeyState sdlKeyboard()
{
    const auto* keys = SDL_GetKeyboardState(nullptr);
    KeyState held{};
    for (size_t i = 0; i < held.size(); ++i) {
        held[i] = keys[i] != 0;
    }
    return held;
}
}  // namespace

uint64_t sdlTicks()
{
    return SDL_GetTicks();
}

Platform sdlPlatform()
{
    return {sdlTicks, pollSdlEvent, sdlMouse, sdlKeyboard, [](uint32_t ms) { SDL_Delay(ms); }};
}
