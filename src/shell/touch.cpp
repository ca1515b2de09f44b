// Fingers: a joystick where a thumb lands, taps and holds as clicks, the drawn controls.
#include "shell/input.h"

bool takeTouchEvent(Gfx&, DeviceInput&, const SDL_Event&)
{
    return false;
}

void updateTouch(Gfx&, DeviceInput&, uint64_t) {}

void hideTouch(DeviceInput&) {}

void drawTouchControls(Gfx&, const DeviceInput&) {}
