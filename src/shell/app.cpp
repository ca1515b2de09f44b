// Start-up and shutdown: the libraries, recipes, window, renderer, font and pictures.
#include "shell/app.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "rules/clock.h"
#include "rules/recipes.h"
#include "rules/state.h"
#include "shell/datadir.h"
#include "shell/frame.h"
#include "shell/picture.h"
#include "shell/platform.h"
#include "shell/report.h"

#ifndef BRAMBIX_VERSION
#define BRAMBIX_VERSION "0"
#endif
#ifndef BRAMBIX_APP_ID
#define BRAMBIX_APP_ID "org.brambix.Brambix"
#endif

namespace {
constexpr const char* PLAYER_PICTURES[2] = {"assets/plgo1.png", "assets/plgo2.png"};
constexpr const char* HEART_PICTURE = "assets/healt.png";
constexpr const char* MOB_PICTURES[3][2] = {
    {"assets/pig1.png", "assets/pig2.png"},
    {"assets/cow1.png", "assets/cow2.png"},
    {"assets/sheep1.png", "assets/sheep2.png"},
};

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

// One line on standard error for an asset that did not load: the file, the data folder
// (the working folder by now) and the reason, with what the game does without it.
// The data folder in use: the working folder once it has been found.
std::string dataFolder()
{
    std::error_code ec;
    const std::string dir = std::filesystem::current_path(ec).string();
    return ec ? "?" : dir;
}

void reportAsset(const char* path, const std::string& reason, const char* consequence)
{
    std::cerr << "Brambix: cannot load " << path << " from the data folder " << dataFolder();
    if (!reason.empty()) {
        std::cerr << ": " << reason;
    }
    std::cerr << " (" << consequence << ")\n";
}

void quitLibraries()
{
    TTF_Quit();
    SDL_Quit();
}

// Pixel art is sampled nearest-neighbour at every size and position: SDL3 would
// otherwise blend neighbouring pixels, SDL2 depends on a hint. A picture that does not
// load is reported.
SDL_Texture* loadPicture(SDL_Renderer* renderer, const char* path)
{
    SDL_Texture* tex = IMG_LoadTexture(renderer, path);
    if (tex != nullptr) {
        SDL_SetTextureScaleMode(tex, SDL_SCALEMODE_NEAREST);
    } else {
        reportAsset(path, SDL_GetError(), "it is not drawn");
    }
    return tex;
}

void destroy(SDL_Texture*& tex)
{
    if (tex != nullptr) {
        SDL_DestroyTexture(tex);
        tex = nullptr;
    }
}
}  // namespace

void loadTextures(Gfx& gfx)
{
    gfx.texs.fill(nullptr);
    for (int id = 1; id < ITEM_COUNT; ++id) {
        gfx.texs[static_cast<size_t>(id)] = loadPicture(gfx.renderer, ITEMS[static_cast<size_t>(id)].picture);
    }
    for (size_t f = 0; f < gfx.playerFrames.size(); ++f) {
        gfx.playerFrames[f] = loadPicture(gfx.renderer, PLAYER_PICTURES[f]);
    }
    gfx.healthTex = loadPicture(gfx.renderer, HEART_PICTURE);
    for (size_t type = 0; type < gfx.mobFrames.size(); ++type) {
        for (size_t f = 0; f < 2; ++f) {
            gfx.mobFrames[type][f] = loadPicture(gfx.renderer, MOB_PICTURES[type][f]);
        }
    }
}

void destroyTextures(Gfx& gfx)
{
    for (auto& tex : gfx.texs) {
        destroy(tex);
    }
    for (auto& tex : gfx.playerFrames) {
        destroy(tex);
    }
    destroy(gfx.healthTex);
    destroy(gfx.picture);
    for (auto& frames : gfx.mobFrames) {
        for (auto& tex : frames) {
            destroy(tex);
        }
    }
    gfx.text.clear();
}

bool startGame(Game& game)
{
    // Without its data the game would be a window of nothing: stop before opening one.
    if (!enterDataDir()) {
        return false;
    }
    sdlx::setAppIdentity("Brambix", BRAMBIX_VERSION, BRAMBIX_APP_ID);
    if (!SDL_Init(SDL_INIT_VIDEO) || !TTF_Init()) {
        reportFatal(INIT_FAILED_MESSAGE);
        return false;
    }
    if (onInvisibleDriverByDefault()) {
        reportFatal(INIT_FAILED_MESSAGE);
        quitLibraries();
        return false;
    }
    setTickSource(sdlTicks);

    if (RecipeLoad load = loadRecipes(RECIPES_PATH); load.status == RecipeLoad::Invalid) {
        reportFatal("Brambix: cannot start: " + load.message + " (data folder " + dataFolder() + ")");
        quitLibraries();
        return false;
    } else if (load.status == RecipeLoad::Missing) {
        std::error_code ec;
        reportAsset(RECIPES_PATH, std::filesystem::exists(RECIPES_PATH, ec) ? "cannot be opened" : "no such file",
                    "crafting makes nothing");
    }

    Gfx& gfx = game.gfx;
    gfx.window = SDL_CreateWindow(WINDOW_TITLE, SCREEN_WIDTH, SCREEN_HEIGHT,
                                  SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIGH_PIXEL_DENSITY);
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
    fnt = TTF_OpenFont(FONT_PATH, FONT_PT);
    if (fnt == nullptr) {
        reportAsset(FONT_PATH, SDL_GetError(), "stack counts are not shown");
    }
    loadTextures(gfx);
    game.io = sdlPlatform(gfx);
    return true;
}

void stopGame(Game& game)
{
    destroyTextures(game.gfx);
    if (fnt != nullptr) {
        TTF_CloseFont(fnt);
        fnt = nullptr;
    }
    // SDL_Quit releases the renderer and the window.
    quitLibraries();
}

int runGame()
{
    Game game;
    if (!startGame(game)) {
        return 1;
    }
    while (game.loop.running) {
        runFrame(game.loop, game.io, game.gfx);
    }
    stopGame(game);
    return 0;
}
