// The frame loop: one pass advances the rules, handles input, draws and pauses.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "rules/state.h"

struct Gfx;

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

// What the loop asks of the platform. The game fills it from SDL; tests and benchmarks
// fill it with their own clock, events, pointer and keys, so nothing waits on time.
struct Platform {
    std::function<uint64_t()> ticks;
    std::function<bool(InputEvent&)> pollEvent;  // false when the queue is empty
    std::function<PointerPos()> mouseState;
    std::function<KeyState()> keyboardState;
    // The pause after a frame; none in a browser, where the display paces the frames.
    std::function<void(uint32_t)> delay;
};

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

constexpr float PLAYER_SPEED_PX = 6.0f;
constexpr float PLAYER_PX = 64.0f;
// The camera puts the player's sprite in the middle of the picture.
constexpr float CAMERA_OFFSET_X = (SCREEN_WIDTH - PLAYER_PX) / 2.0f;
constexpr float CAMERA_OFFSET_Y = (SCREEN_HEIGHT - PLAYER_PX) / 2.0f;
constexpr uint32_t FRAME_PAUSE_MS = 16;

// Everything in a frame before drawing: health, creatures, pick-up, camera, events,
// keyboard and the view's tiles seen, in that order. Needs no window.
void stepFrame(Loop& loop, Platform& io);

// Draws and presents the picture of the state as it is, the carried stack at `pointer`.
void drawFrame(const Loop& loop, PointerPos pointer, Gfx& gfx);

// One whole frame: stepFrame, then drawing, presenting and the fixed pause.
void runFrame(Loop& loop, Platform& io, Gfx& gfx);
