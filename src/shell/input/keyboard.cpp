// The keyboard as the game reads it: each key gives the action the controls bind it to.
#include "shell/input/keyboard.h"

#include "shell/input/bindings.h"

bool Keyboard::takeEvent(const Gfx&, const SDL_Event& e, uint64_t, DeviceEvents& out)
{
    if (e.type != SDL_EVENT_KEY_DOWN) {
        return false;
    }
    out.hidesOthers = true;
    const std::optional<InputEvent> press =
        frameEventOf(activeControls(), {Binding::Kind::Key, static_cast<int>(sdlx::scancode(e))});
    if (press && press->kind == InputEvent::Kind::KeyDown) {
        queueKeyPress(out, press->scancode);
    }
    return true;
}

void Keyboard::addHeld(KeyState& held) const
{
    int count = 0;
    const auto* keys = SDL_GetKeyboardState(&count);
    holdAlso(held, gameKeysHeld(activeControls(), [keys, count](int code) { return code < count && keys[code] != 0; }));
}
