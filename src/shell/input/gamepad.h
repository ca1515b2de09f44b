// Pads: walking by stick and d-pad, a pointer on the right stick, buttons as clicks.
#pragma once

#include <cstdint>
#include <vector>

#include "shell/input/device.h"

// A pad SDL opened for the game.
struct OpenPad {
    SDL_Gamepad* pad = nullptr;
    SDL_JoystickID id = 0;
    bool confirmEast = false;  // a Nintendo pad: A is East and B, beside it, South
};

// The pointer the pads move over the picture, one for all of them.
struct PadPointer {
    bool shown = false;
    float x = 0.0f;
    float y = 0.0f;
    uint64_t lastMs = 0;
    bool clockRead = false;
    bool onScreen = false;  // a screen was open at the last update
};

class Pads : public Device {
public:
    bool takeEvent(const Gfx& gfx, const SDL_Event& e, uint64_t atMs, DeviceEvents& out) override;
    void update(uint64_t nowMs, const DeviceView& view, DeviceEvents& out) override;
    void addHeld(KeyState& held) const override;
    // The pointer, and on the world the tile a click acts on.
    void drawInPicture(Gfx& gfx) const override;
    void hide() override;

    std::vector<OpenPad> pads;
    PadPointer pointer;
    KeyState held{};   // worked out afresh every frame
    DeviceView view;   // the frame as it was handed at the last update
};
