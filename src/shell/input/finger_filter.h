// Finger events as they were pushed, before a renderer that moves them into its picture
// (sdlx::RENDERER_MOVES_FINGERS) clamps a finger on the bars to the picture's edge.
#pragma once

#include "shell/platform/sdl.h"

// Lets finger events keep their window positions where the renderer would move them.
// Call once, right after SDL_Init: SDL2 drops every event waiting when a filter is set
// (a pad's arrival among them); more calls do nothing.
void keepFingerPositions();

// Puts into `f`, read from `e`, the position across the window that the event had when
// it was pushed; leaves it as it is when none was kept.
void keptFingerPosition(const SDL_Event& e, sdlx::Finger& f);
