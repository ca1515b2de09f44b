// Pads: walking by stick and d-pad, a pointer on the right stick, buttons as clicks.
#include "shell/input.h"

bool takePadEvent(Gfx&, DeviceInput&, const SDL_Event&)
{
    return false;
}

void updatePads(Gfx&, DeviceInput&, uint64_t) {}

void hidePadPointer(DeviceInput&) {}

void drawPadPointer(Gfx&, const DeviceInput&) {}
