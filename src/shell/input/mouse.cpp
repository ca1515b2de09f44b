// The real mouse as the game reads it.
#include "shell/input/mouse.h"

#include "shell/draw/picture.h"
#include "shell/input/bindings.h"
#include "rules/world.h"

bool Mouse::takeEvent(const Gfx& gfx, const SDL_Event& e, uint64_t, DeviceEvents& out)
{
    if (e.type != SDL_EVENT_MOUSE_MOTION && e.type != SDL_EVENT_MOUSE_BUTTON_DOWN) {
        return false;
    }
    out.hidesOthers = true;
    // The frame reads the pointer as it is now for every event; where that is on the
    // bars, the click is on no part of the game.
    if (e.type != SDL_EVENT_MOUSE_BUTTON_DOWN) {
        return true;
    }
    // A button bound to a key's action (the inventory, a hotbar slot) presses that key.
    const std::optional<InputEvent> press = frameEventOf(activeControls(), {Binding::Kind::Mouse, e.button.button});
    if (press && press->kind == InputEvent::Kind::KeyDown) {
        queueKeyPress(out, press->scancode);
    } else if (press && onPicture(*pointer(gfx))) {
        out.queued.push_back({*press, std::nullopt});
    }
    return true;
}

std::optional<PointerPos> Mouse::pointer(const Gfx& gfx) const
{
    float windowX = 0.0f;
    float windowY = 0.0f;
    SDL_GetMouseState(&windowX, &windowY);
    return pictureAtWindowPoint(gfx, windowX, windowY);
}
