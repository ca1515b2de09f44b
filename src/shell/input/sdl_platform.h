// The frame loop's platform, filled from SDL.
#pragma once

#include "shell/draw/draw.h"
#include "shell/input/input.h"
#include "shell/platform/platform.h"

// Reads SDL's tick counter and event queue; pauses with SDL_Delay. The window's own keys
// (window_keys.h) act on `gfx` and reach the loop as no key; every other event goes to
// the device table, `devices`, which the frame updates once a frame
// (Platform::beforeEvents) and which gives the pointer, in pixels of the 800 by 600
// picture however large the window is, and the keys held.
Platform sdlPlatform(Gfx& gfx, DeviceInput& devices);
