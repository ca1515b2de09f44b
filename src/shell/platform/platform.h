// What the frame loop reads from the platform, and the loop's own state that drawing and
// the input devices see. The game fills the platform from SDL; tests and benchmarks fill
// it with their own clock, events, pointer and keys, so nothing waits on time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "rules/state.h"

// One input event as the loop sees it.
struct InputEvent {
    enum class Kind { Quit, KeyDown, MouseDown, Other };
    Kind kind = Kind::Other;
    int scancode = 0;  // KeyDown: the physical key
    int button = 0;    // MouseDown: 1 left, 2 middle, 3 right, ...
};

struct PointerPos {
    float x = 0.0f;
    float y = 0.0f;
};

// The keys the game reads are all below this scancode.
constexpr int TRACKED_SCANCODES = 64;
using KeyState = std::array<bool, TRACKED_SCANCODES>;

// The loop's own state, kept by main, and the values worked out afresh each frame.
struct Loop {
    bool running = true;
    float pX = 0.0f;  // player's top-left corner in world pixels
    float pY = 0.0f;
    int selectedHotbar = 0;
    float cameraX = 0.0f;  // world pixel at the window's top-left corner
    float cameraY = 0.0f;
    bool moving = false;  // a movement key moved the player in this frame
};

constexpr float PLAYER_PX = 64.0f;
// The camera puts the player's sprite in the middle of the picture.
constexpr float CAMERA_OFFSET_X = (SCREEN_WIDTH - PLAYER_PX) / 2.0f;
constexpr float CAMERA_OFFSET_Y = (SCREEN_HEIGHT - PLAYER_PX) / 2.0f;

// What the loop asks of the platform.
struct Platform {
    std::function<uint64_t()> ticks;
    std::function<bool(InputEvent&)> pollEvent;  // false when the queue is empty
    std::function<PointerPos()> mouseState;
    std::function<KeyState()> keyboardState;
    // The pause after a frame; none in a browser, where the display paces the frames.
    std::function<void(uint32_t)> delay;
    // Once a frame, with the camera placed and before the events are read: held and timed
    // input (a pad's stick, a finger's hold) moves on to the frame's tick, seeing the
    // loop as it stands. None where nothing is timed (a replay, a test's own platform).
    std::function<void(uint64_t, const Loop&)> beforeEvents = nullptr;
};
