// The real mouse as the game reads it.
#include "shell/input/mouse.h"

#include "shell/draw/picture.h"
#include "rules/world.h"

bool Mouse::takeEvent(const Gfx& gfx, const SDL_Event& e, uint64_t, DeviceEvents& out)
{
    if (e.type != SDL_EVENT_MOUSE_MOTION && e.type != SDL_EVENT_MOUSE_BUTTON_DOWN) {
        return false;
    }
    out.hidesOthers = true;
    // The frame reads the pointer as it is now for every event; where that is on the
    // bars, the click is on no part of the game.
    if (e.type == SDL_EVENT_MOUSE_BUTTON_DOWN && onPicture(*pointer(gfx))) {
        DeviceEvent d;
        d.event.kind = InputEvent::Kind::MouseDown;
        d.event.button = e.button.button;
        out.queued.push_back(d);
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
