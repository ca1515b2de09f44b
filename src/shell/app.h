// Start-up, the run and shutdown of the game.
#pragma once

#include "shell/draw.h"

constexpr const char* WINDOW_TITLE = "Brambix ULTIMATE";
constexpr const char* FONT_PATH = "assets/arial.ttf";
constexpr float FONT_PT = 14.0f;
constexpr const char* INIT_FAILED_MESSAGE = "SDL/TTF initialization failed!";

// Loads every picture into `gfx` with its renderer; a picture that fails stays empty.
void loadTextures(Gfx& gfx);

// Destroys every texture that exists, including the cached texts.
void destroyTextures(Gfx& gfx);

// The whole run, from initialising the libraries to shutting them down. Returns the
// exit status: 0 after the window was closed, 1 when start-up could not go on (the
// reason is on standard error).
int runGame();
