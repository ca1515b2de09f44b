// The real mouse: a row of the device table. SDL's mouse events made up from a finger
// never reach it (the fingers' row, asked first, takes them).
#pragma once

#include "shell/input/device.h"

class Mouse : public Device {
public:
    // A move or a click; a click on the bars round the picture is on no part of the game.
    bool takeEvent(const Gfx& gfx, const SDL_Event& e, uint64_t atMs, DeviceEvents& out) override;
    void update(uint64_t, const DeviceView&, DeviceEvents&) override {}
    void addHeld(KeyState&) const override {}
    void hide() override {}
    // Where the mouse is, in the picture's pixels.
    std::optional<PointerPos> pointer(const Gfx& gfx) const override;
};
