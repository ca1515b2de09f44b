// Start-up and shutdown: the libraries, recipes, window, renderer, font and pictures.
#include "shell/app/app.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include "shell/app/assets.h"
#include "shell/app/datadir.h"
#include "shell/app/frame.h"
#include "shell/app/report.h"
#include "shell/draw/picture.h"
#include "shell/input/bindings.h"
#include "shell/input/finger_filter.h"
#include "shell/input/sdl_platform.h"
#include "rules/recipe_book.h"
#include "rules/state.h"

#ifndef BRAMBIX_VERSION
#define BRAMBIX_VERSION "0"
#endif
#ifndef BRAMBIX_APP_ID
#define BRAMBIX_APP_ID "org.brambix.Brambix"
#endif

namespace {

#ifdef __EMSCRIPTEN__
// In a browser the renderer is WebGL's, and a window made without the OpenGL flag is
// made again for it: SDL then shrinks the page's canvas to a pixel on the way and, at
// the second making, takes that for its size, so the canvas stops following the page.
constexpr auto WINDOW_FLAGS = SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIGH_PIXEL_DENSITY | SDL_WINDOW_OPENGL;
#else
constexpr auto WINDOW_FLAGS = SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIGH_PIXEL_DENSITY;
#endif
// With no display, SDL2 quietly falls back to its invisible offscreen driver; a game
// nobody can see or close has not started. Tests ask for such a driver by name.
bool onInvisibleDriverByDefault()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) {
        return true;
    }
    const std::string name = driver;
    if (name != "offscreen" && name != "dummy") {
        return false;
    }
    return std::getenv("SDL_VIDEODRIVER") == nullptr && std::getenv("SDL_VIDEO_DRIVER") == nullptr;
}

void quitLibraries()
{
#if !defined(BRAMBIX_COUNT_GLYPHS)
    TTF_Quit();
#endif
    SDL_Quit();
}

bool initLibraries()
{
#if defined(BRAMBIX_COUNT_GLYPHS)
    return SDL_Init(SDL_INIT_VIDEO);
#else
    return SDL_Init(SDL_INIT_VIDEO) && TTF_Init();
#endif
}
}  // namespace

bool startGame(Game& game)
{
    // Without its data the game would be a window of nothing: stop before opening one.
    if (!enterDataDir()) {
        return false;
    }
    sdlx::setAppIdentity("Brambix", BRAMBIX_VERSION, BRAMBIX_APP_ID);
    if (!initLibraries()) {
        reportFatal(INIT_FAILED_MESSAGE);
        return false;
    }
    if (onInvisibleDriverByDefault()) {
        reportFatal(INIT_FAILED_MESSAGE);
        quitLibraries();
        return false;
    }
    keepFingerPositions();
    // Pads are welcome but not needed: without them the game plays on, saying nothing.
    sdlx::initPads();

    if (const RecipeLoad::Status status = loadGameRecipes(); status == RecipeLoad::Invalid) {
        quitLibraries();
        return false;
    } else if (status == RecipeLoad::Missing) {
        std::error_code ec;
        reportAsset(RECIPES_PATH, std::filesystem::exists(RECIPES_PATH, ec) ? "cannot be opened" : "no such file",
                    "crafting makes nothing");
    }

    useControlsFile();

    Gfx& gfx = game.gfx;
#ifdef __EMSCRIPTEN__
    // The picture is opaque and flat: a canvas without alpha or depth is one the browser
    // composes and clears with less work every frame.
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
#endif
    gfx.window = SDL_CreateWindow(WINDOW_TITLE, SCREEN_WIDTH, SCREEN_HEIGHT, WINDOW_FLAGS);
    if (gfx.window == nullptr) {
        reportFatal(std::string("Brambix: cannot create the window: ") + SDL_GetError());
        quitLibraries();
        return false;
    }
    gfx.renderer = SDL_CreateRenderer(gfx.window, nullptr);
    if (gfx.renderer == nullptr) {
        reportFatal(std::string("Brambix: cannot create the renderer: ") + SDL_GetError());
        SDL_DestroyWindow(gfx.window);
        quitLibraries();
        return false;
    }
    SDL_SetRenderDrawBlendMode(gfx.renderer, SDL_BLENDMODE_BLEND);
    setUpPicture(gfx);
    openGameFont(FONT_PATH, FONT_PT);
    loadTextures(gfx);
    game.io = sdlPlatform(gfx, game.input);
    gfx.overlay = {[&game](Gfx& g) { drawDeviceMarks(g, game.input); },
                   [&game](Gfx& g) { drawDeviceOverlay(g, game.input); },
                   [&game](Gfx& g) { endDeviceOverlay(g, game.input); }};
    return true;
}

RecipeLoad::Status loadGameRecipes()
{
    const RecipeLoad load = loadRecipes(RECIPES_PATH);
    if (load.status == RecipeLoad::Invalid) {
        reportFatal("Brambix: cannot start: " + load.message + " (data folder " + dataFolder() + ")");
    }
    return load.status;
}

std::string useControlsFile()
{
    const ControlsRead read = readControlsFile(controlsPath());
    std::string said;
    for (const std::string& fault : read.faults) {
        said += "Brambix: controls: " + fault + "\n";
        reportNotice("Brambix: controls: " + fault);
    }
    setActiveControls(read.controls);
    return said;
}

void stopGame(Game& game)
{
    destroyTextures(game.gfx);
    closeGameFont();
    // SDL_Quit releases the renderer and the window.
    quitLibraries();
}

int runGame(bool wholePixels, const RunHooks& hooks)
{
    Game game;
    game.gfx.wholePixels = wholePixels;
    if (!startGame(game)) {
        return 1;
    }
    if (hooks.started) {
        hooks.started(game);
    }
    for (bool first = true; game.loop.running; first = false) {
        runFrame(game.loop, game.io, game.gfx);
        if (hooks.afterFrame) {
            hooks.afterFrame(game.loop);
        }
        // The first frame is drawn before the notices, so that their box stands over it.
        if (first) {
            showNoticesWhereUnread(game.gfx.window);
        }
    }
    stopGame(game);
    return 0;
}
