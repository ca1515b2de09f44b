// The window's own keys: they switch how the window shows the picture and reach the
// game as no key.
#pragma once

#include "shell/draw/draw.h"
#include "shell/platform/sdl.h"

// The fullscreen key (F11 unless the controls say otherwise) and Alt+Enter switch `gfx`'s
// window between borderless fullscreen and its own size and place; the whole-pixels key
// (P) switches whole-pixel scaling. True when `e` pressed one of them (a held
// key's repeats act no more, or the window would flicker).
bool takeWindowKey(Gfx& gfx, const SDL_Event& e);
