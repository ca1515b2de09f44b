// The keyboard: a row of the device table. Keys are read by their position.
#pragma once

#include "shell/input/device.h"

class Keyboard : public Device {
public:
    // A key press reaches the frame as a key; a hotbar key is held for the next read too.
    bool takeEvent(const Gfx& gfx, const SDL_Event& e, uint64_t atMs, DeviceEvents& out) override;
    void update(uint64_t, const DeviceView&, DeviceEvents&) override {}
    // The keys held down now.
    void addHeld(KeyState& held) const override;
    void hide() override {}
};
