// Drawing: the world and HUD each frame, the open screen over it, and stack counts.
#pragma once

#include <array>
#include <map>
#include <string>

#include "rules/items.h"
#include "shell/frame.h"
#include "shell/sdl.h"

// The game's one font, 14 points; null when it could not be opened (no text then).
extern TTF_Font* fnt;

// Rendered count texts, kept while the renderer lives so an unchanged count is not
// rendered again every frame.
class TextCache {
public:
    struct Entry {
        SDL_Texture* texture = nullptr;
        int w = 0;
        int h = 0;
    };
    TextCache() = default;
    TextCache(const TextCache&) = delete;
    TextCache& operator=(const TextCache&) = delete;
    ~TextCache() { clear(); }

    // The texture of `text` in white, made on first use; null texture if it cannot be made.
    const Entry& get(SDL_Renderer* renderer, const std::string& text);
    void clear();
    size_t size() const { return entries_.size(); }

private:
    std::map<std::string, Entry> entries_;
};

// The window, renderer and every texture; owned by main from start-up to shutdown.
struct Gfx {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    std::array<SDL_Texture*, ITEM_COUNT> texs{};  // by item id; entry 0 stays empty
    std::array<SDL_Texture*, 2> playerFrames{};
    SDL_Texture* healthTex = nullptr;
    std::array<std::array<SDL_Texture*, 2>, 3> mobFrames{};  // [type][frame]
    TextCache text;
    SDL_Texture* picture = nullptr;  // the frame's 800 by 600 picture; null: drawn straight into the window
    bool resized = false;            // the window changed size since the last picture was shown
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
