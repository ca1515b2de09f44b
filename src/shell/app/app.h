// Start-up, the run and shutdown of the game.
#pragma once

#include <functional>
#include <string>

#include "rules/recipe_book.h"
#include "shell/app/frame.h"
#include "shell/draw/draw.h"
#include "shell/input/input.h"

constexpr const char* WINDOW_TITLE = "Brambix ULTIMATE";
constexpr const char* FONT_PATH = "assets/arial.ttf";
constexpr float FONT_PT = 14.0f;
constexpr const char* INIT_FAILED_MESSAGE = "SDL/TTF initialization failed!";

// Loads every picture into `gfx` with its renderer; a picture that fails stays empty.
void loadTextures(Gfx& gfx);

// Destroys every texture that exists, including the cached texts.
void destroyTextures(Gfx& gfx);

// Everything a running game holds. Its platform refers to its own `gfx`, so it stays
// where it was started.
struct Game {
    Gfx gfx;
    DeviceInput input;  // what fingers and pads hold and have done
    Loop loop;
    Platform io;
    Game() = default;
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;
};

// Start-up: the data folder, the libraries, recipes, window, renderer, font and
// pictures, and the loop's SDL platform. False when the game cannot go on: the reason
// is on standard error and what was started is shut down again.
bool startGame(Game& game);

// Loads the data folder's recipe book, the one the game plays by. A book with faults
// is reported as the one line on why the game cannot start (Invalid); a missing one is
// for the caller to speak of.
RecipeLoad::Status loadGameRecipes();

// Reads the player's controls file and plays by it from now on; what cannot be used
// keeps its default and is named among the notices (nothing is said without a file).
// Returns those lines, each ending in a newline.
std::string useControlsFile();

// Shutdown after the last frame: the pictures, the font and the libraries.
void stopGame(Game& game);

// What a run adds to plain play (a recording): called once the game has started, and
// after every frame.
struct RunHooks {
    std::function<void(Game&)> started;
    std::function<void(const Loop&)> afterFrame;
};

// The whole run on the desktop: start-up (with whole-pixel scaling when `wholePixels`),
// the notices where standard error reaches nobody, frames with their pause until the
// window is closed, shutdown. Returns the exit status: 0 after the window was closed, 1
// when start-up could not go on (the reason is on standard error).
int runGame(bool wholePixels = false, const RunHooks& hooks = {});
