// The frame loop's platform, filled from SDL.
#pragma once

#include "shell/frame.h"

// Reads SDL's tick counter, event queue, pointer and keyboard; pauses with SDL_Delay.
Platform sdlPlatform();

// SDL's millisecond tick counter, as the rules' tick source.
uint64_t sdlTicks();
