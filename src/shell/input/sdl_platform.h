// The frame loop's platform, filled from SDL.
#pragma once

#include "shell/draw/draw.h"
#include "shell/input/input.h"
#include "shell/platform/platform.h"

// Reads SDL's tick counter, event queue, pointer and keyboard; pauses with SDL_Delay.
// The pointer is given in pixels of the 800 by 600 picture however large the window
// is; a click with the pointer on the bars round the picture reaches the loop as no
// click at all. F11 and Alt+Enter switch `gfx`'s window between borderless fullscreen
// and its own size and place, and reach the loop as no key.
// Fingers and pads reach it through `devices`, which the frame updates once a frame
// (Platform::beforeEvents).
Platform sdlPlatform(Gfx& gfx, DeviceInput& devices);
