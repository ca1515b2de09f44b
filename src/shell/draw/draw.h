// Drawing: the world and HUD each frame, the open screen over it, and stack counts.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "shell/draw/text.h"
#include "shell/platform/platform.h"
#include "shell/platform/sdl.h"
#include "rules/creatures.h"
#include "rules/items.h"

// The window, renderer and every texture; owned by main from start-up to shutdown.
struct Gfx {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    std::array<SDL_Texture*, ITEM_COUNT> texs{};  // by item id; entry 0 stays empty
    std::array<SDL_Texture*, 2> playerFrames{};
    SDL_Texture* healthTex = nullptr;
    std::array<std::array<SDL_Texture*, MOB_FRAMES>, MOB_KINDS> mobFrames{};  // [type][frame]
    TextCache text;
    SDL_Texture* picture = nullptr;  // the frame's 800 by 600 picture; null: drawn straight into the window
    bool resized = false;            // the window changed size since the last picture was shown
    bool wholePixels = false;        // the picture scaled by whole numbers only, with wider bars
    bool fingersUsed = false;        // a finger has touched the window since the game began
    bool pictureLow = false;         // taller than wide, the picture sits low, in reach of a thumb
    // How far above the pointer the carried stack is drawn, clear of a finger or a pad's
    // cross and of the slot they are on; 0 for the mouse.
    float carriedLiftPx = 0.0f;
    // The input devices' marks, drawn into the finished picture (the pad's pointer); then
    // what is drawn over the shown picture just before it is presented, and undone right
    // after (the touch controls); empty where no devices are.
    struct {
        std::function<void(Gfx&)> marks;
        std::function<void(Gfx&)> draw;
        std::function<void(Gfx&)> end;
    } overlay;
};

struct Colour {
    Uint8 r, g, b, a;
};

// Fills `rect` in `c`, blended by its alpha.
void fillRect(SDL_Renderer* renderer, Colour c, const SDL_FRect& rect);

// Draws `text` in white with its bottom-right corner at (x + 38, y + 38), the corner of
// a 40 by 40 slot at (x, y). Draws nothing for "0", "1" or without a font.
void drawTxt(Gfx& gfx, const std::string& text, float x, float y);

// A slot's item picture and, for items that show it, its count.
void drawStack(Gfx& gfx, int id, int count, float x, float y, float size);

// The frame's picture of the world and HUD: background, tiles, dropped items,
// creatures, player, hearts and hotbar. Changes nothing but the picture.
void drawWorld(Gfx& gfx, const Loop& loop);

// The open screen over the world: panel, slots, grid, result and the carried stack
// centred on `pointer`.
void drawScreen(Gfx& gfx, PointerPos pointer);
