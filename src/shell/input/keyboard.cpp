// The keyboard as the game reads it.
#include "shell/input/keyboard.h"

#include "rules/state.h"

bool Keyboard::takeEvent(const Gfx&, const SDL_Event& e, uint64_t, DeviceEvents& out)
{
    if (e.type != SDL_EVENT_KEY_DOWN) {
        return false;
    }
    out.hidesOthers = true;
    const SDL_Scancode code = sdlx::scancode(e);
    queueKey(out, code);
    // The hotbar keys are read held, once a frame: a press that comes and goes between
    // two frames is held for the next read all the same.
    if (code >= SDL_SCANCODE_1 && code < SDL_SCANCODE_1 + HOTBAR_SLOTS) {
        pulseHotbar(out, code - SDL_SCANCODE_1);
    }
    return true;
}

void Keyboard::addHeld(KeyState& held) const
{
    const auto* keys = SDL_GetKeyboardState(nullptr);
    for (size_t i = 0; i < held.size(); ++i) {
        held[i] = held[i] || keys[i] != 0;
    }
}
