// The frame loop: one pass advances the rules, handles input, draws and pauses.
#pragma once

#include "shell/platform/platform.h"

struct Gfx;

constexpr float PLAYER_SPEED_PX = 6.0f;
constexpr uint32_t FRAME_PAUSE_MS = 16;

// Everything in a frame before drawing: health, creatures, pick-up, camera, events,
// keyboard and the view's tiles seen, in that order. Needs no window.
void stepFrame(Loop& loop, Platform& io);

// Draws and presents the picture of the state as it is, the carried stack at `pointer`.
void drawFrame(const Loop& loop, PointerPos pointer, Gfx& gfx);

// One whole frame: stepFrame, then drawing, presenting and the fixed pause.
void runFrame(Loop& loop, Platform& io, Gfx& gfx);
