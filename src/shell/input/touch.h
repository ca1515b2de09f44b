// What the fingers on the window are doing: the part each one plays and the controls
// shown for them.
#pragma once

#include <cstdint>
#include <vector>

#include "shell/input/device.h"

// One finger on the window. Positions are in the window's own units.
struct TouchFinger {
    enum class Role { Stick, Button, Hotbar, Point, None };
    uint64_t id = 0;
    Role role = Role::None;
    float startX = 0.0f;  // where it landed
    float startY = 0.0f;
    float x = 0.0f;  // where it is
    float y = 0.0f;
    PointerPos at;            // Point: the point of the picture its click acts at
    uint64_t downMs = 0;      // when it landed, by its own event's time on the frame's clock
    bool holdAllowed = true;  // a second finger on the picture takes the hold away
    bool moved = false;       // moved too far to be a tap or a hold
    bool held = false;        // its hold has clicked
    bool tapsThrough = false;  // Stick over the picture: a quick tap is a click there
};

// The fingers' own state.
struct TouchState {
    std::vector<TouchFinger> fingers;
    bool shown = false;         // the controls are drawn: a finger came since the last key or mouse move
    uint64_t nowMs = 0;         // the frame's clock at the last update
    KeyState held{};            // held by the touch stick
};

// Fingers: a joystick where a thumb lands, taps and holds as clicks, the drawn controls.
class Touch : public Device {
public:
    bool takeEvent(const Gfx& gfx, const SDL_Event& e, uint64_t atMs, DeviceEvents& out) override;
    void update(uint64_t nowMs, const DeviceView& view, DeviceEvents& out) override;
    // A press held long enough clicks.
    bool fireDue(DeviceEvents& out) override;
    void addHeld(KeyState& held) const override;
    // On a screen, the slot under each finger on the picture, highlighted.
    void drawInPicture(Gfx& gfx) const override;
    // The stick, the inventory button and the holds filling.
    void drawInWindow(Gfx& gfx) const override;
    void hide() override;

    TouchState state;
};
