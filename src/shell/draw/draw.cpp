// The world and HUD, drawn bottom to top.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string>

#include "shell/draw/draw.h"
#include "rules/creatures.h"
#include "rules/screens.h"
#include "rules/state.h"
#include "rules/world.h"

namespace {
constexpr uint64_t PLAYER_ANIM_MS = 200;
constexpr float HEART_PX = 20.0f;
constexpr float HEART_STEP_PX = 25.0f;
constexpr float HUD_MARGIN_PX = 10.0f;
constexpr float SELECTION_FRAME_PX = 3.0f;  // slots stand 10 pixels apart
// Slots are 40 pixels; a count sits 2 pixels in from the bottom-right corner.
constexpr float COUNT_CORNER_PX = 38.0f;

constexpr Colour BACKGROUND = {30, 30, 30, 255};
constexpr Colour HOTBAR_SELECTED = {255, 80, 80, 200};
constexpr Colour HOTBAR_OTHER = {80, 80, 80, 200};

// Whether a square at window position (x, y) shows in the window at all: what lies
// wholly outside costs no drawing, however much of the world has been seen.
bool onScreen(float x, float y, float size)
{
    return x < SCREEN_WIDTH && y < SCREEN_HEIGHT && x + size > 0.0f && y + size > 0.0f;
}

// The tiles in sight, a kind of block at a time. Tiles never overlap, so the order does
// not change the picture; drawn one after another, a kind's tiles reach the graphics
// card as one batch instead of one call each, which a browser's WebGL makes costly.
void drawTiles(Gfx& gfx, const Loop& loop)
{
    struct Tile {
        int block;
        SDL_FRect dest;
    };
    std::array<Tile, static_cast<size_t>(VIEW_COLUMNS) * VIEW_ROWS> tiles;
    size_t count = 0;
    const int32_t startX = viewStart(loop.cameraX);
    const int32_t startY = viewStart(loop.cameraY);
    for (int32_t x = startX; x < startX + VIEW_COLUMNS; ++x) {
        for (int32_t y = startY; y < startY + VIEW_ROWS; ++y) {
            if (const int block = getTile(x, y); block > 0) {
                tiles[count++] = {block, {static_cast<float>(x) * TILE_PX - loop.cameraX,
                                          static_cast<float>(y) * TILE_PX - loop.cameraY, TILE_PX, TILE_PX}};
            }
        }
    }
    std::stable_sort(tiles.begin(), tiles.begin() + static_cast<std::ptrdiff_t>(count),
                     [](const Tile& a, const Tile& b) { return a.block < b.block; });
    for (size_t i = 0; i < count; ++i) {
        SDL_RenderTexture(gfx.renderer, gfx.texs[static_cast<size_t>(tiles[i].block)], nullptr, &tiles[i].dest);
    }
}

// A drop of several items shows its count the way a slot does: 2 pixels in from the
// bottom-right corner of its square, and only for the items whose counts are shown.
void drawDrops(Gfx& gfx, const Loop& loop)
{
    constexpr float TEXT_SHIFT_PX = DROP_PX - SLOT_PX;  // drawTxt places text for a slot
    for (const DroppedItem& d : drops) {
        const SDL_FRect dr = {d.x - loop.cameraX, d.y - loop.cameraY, DROP_PX, DROP_PX};
        if (!isItem(d.id) || !onScreen(dr.x, dr.y, DROP_PX)) {
            continue;
        }
        SDL_RenderTexture(gfx.renderer, gfx.texs[static_cast<size_t>(d.id)], nullptr, &dr);
        if (d.count > 1 && showsCount(d.id)) {
            drawTxt(gfx, std::to_string(d.count), dr.x + TEXT_SHIFT_PX, dr.y + TEXT_SHIFT_PX);
        }
    }
}

void drawCreatures(Gfx& gfx, const Loop& loop)
{
    for (const Mob& m : mobs) {
        const SDL_FRect dr = {m.x - loop.cameraX, m.y - loop.cameraY, MOB_PX, MOB_PX};
        if (!onScreen(dr.x, dr.y, MOB_PX)) {
            continue;
        }
        SDL_Texture* tex = gfx.mobFrames[static_cast<size_t>(m.type)][static_cast<size_t>(m.frame)];
        SDL_RenderTextureRotated(gfx.renderer, tex, nullptr, &dr, 0.0, nullptr,
                                 m.flip ? SDL_FLIP_HORIZONTAL : SDL_FLIP_NONE);
    }
}

void drawPlayer(Gfx& gfx, const Loop& loop)
{
    const size_t f = loop.moving ? static_cast<size_t>((SDL_GetTicks() / PLAYER_ANIM_MS) % 2) : 0;
    const SDL_FRect playerRect = {loop.pX - loop.cameraX, loop.pY - loop.cameraY, PLAYER_PX, PLAYER_PX};
    SDL_RenderTexture(gfx.renderer, gfx.playerFrames[f], nullptr, &playerRect);
}

void drawHearts(Gfx& gfx)
{
    for (int i = 0; i < hp; ++i) {
        const SDL_FRect hr = {HUD_MARGIN_PX + HEART_STEP_PX * static_cast<float>(i), HUD_MARGIN_PX, HEART_PX, HEART_PX};
        SDL_RenderTexture(gfx.renderer, gfx.healthTex, nullptr, &hr);
    }
}

// A frame in the selection's red just outside the slot: an opaque block picture covers
// the slot's own red fill, and the player must still see which block they will place.
void drawSelectionFrame(Gfx& gfx, const SDL_FRect& slot)
{
    constexpr float T = SELECTION_FRAME_PX;
    const SDL_FRect sides[4] = {{slot.x - T, slot.y - T, slot.w + 2 * T, T},
                                {slot.x - T, slot.y + slot.h, slot.w + 2 * T, T},
                                {slot.x - T, slot.y, T, slot.h},
                                {slot.x + slot.w, slot.y, T, slot.h}};
    for (const SDL_FRect& side : sides) {
        fillRect(gfx.renderer, HOTBAR_SELECTED, side);
    }
}

void drawHotbar(Gfx& gfx, const Loop& loop)
{
    for (int i = 0; i < HOTBAR_SLOTS; ++i) {
        const SlotRect s = hotbarSlotRect(i);
        const SDL_FRect slot = {s.x, s.y, s.w, s.h};
        fillRect(gfx.renderer, i == loop.selectedHotbar ? HOTBAR_SELECTED : HOTBAR_OTHER, slot);
        const ItemStack& stack = hotbar[static_cast<size_t>(i)];
        drawStack(gfx, stack.id, stack.count, slot.x, slot.y, slot.w);
        if (i == loop.selectedHotbar) {
            drawSelectionFrame(gfx, slot);
        }
    }
}
}  // namespace

void fillRect(SDL_Renderer* renderer, Colour c, const SDL_FRect& rect)
{
    SDL_SetRenderDrawColor(renderer, c.r, c.g, c.b, c.a);
    SDL_RenderFillRect(renderer, &rect);
}

void drawTxt(Gfx& gfx, const std::string& text, float x, float y)
{
    if (text == "0" || text == "1" || !countsDrawable()) {
        return;
    }
    const TextCache::Entry& e = gfx.text.get(gfx.renderer, text);
    if (e.texture == nullptr) {
        return;
    }
    // Natural size, aligned right and bottom; a wide text reaches further left.
    const SDL_FRect dest = {x + COUNT_CORNER_PX - static_cast<float>(e.w), y + COUNT_CORNER_PX - static_cast<float>(e.h),
                            static_cast<float>(e.w), static_cast<float>(e.h)};
    SDL_RenderTexture(gfx.renderer, e.texture, nullptr, &dest);
}

void drawStack(Gfx& gfx, int id, int count, float x, float y, float size)
{
    if (!isItem(id)) {
        return;
    }
    const SDL_FRect dest = {x, y, size, size};
    SDL_RenderTexture(gfx.renderer, gfx.texs[static_cast<size_t>(id)], nullptr, &dest);
    if (showsCount(id)) {
        drawTxt(gfx, std::to_string(count), x, y);
    }
}

void drawWorld(Gfx& gfx, const Loop& loop)
{
    SDL_SetRenderDrawColor(gfx.renderer, BACKGROUND.r, BACKGROUND.g, BACKGROUND.b, BACKGROUND.a);
    SDL_RenderClear(gfx.renderer);
    drawTiles(gfx, loop);
    drawDrops(gfx, loop);
    drawCreatures(gfx, loop);
    drawPlayer(gfx, loop);
    drawHearts(gfx);
    drawHotbar(gfx, loop);
}
