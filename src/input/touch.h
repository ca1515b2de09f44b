// What the fingers on the window are doing: the part each one plays and the controls
// shown for them.
#pragma once

#include <cstdint>
#include <vector>

#include "app/frame.h"

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
    uint64_t downMs = 0;      // the frame clock when it landed
    bool holdAllowed = true;  // a second finger on the picture takes the hold away
    bool moved = false;       // moved too far to be a tap or a hold
    bool held = false;        // its hold has clicked
    bool tapsThrough = false;  // Stick over the picture: a quick tap is a click there
};

// The fingers' part of the device input.
struct TouchState {
    std::vector<TouchFinger> fingers;
    bool shown = false;         // the controls are drawn: a finger came since the last key or mouse move
    uint64_t nowMs = 0;         // the frame clock at the last update
};
