// World generation: grass with trees, worked out from the coordinates alone.
#include "rules/world.h"

#include <algorithm>
#include <cmath>

#include "rules/creatures.h"
#include "rules/items.h"
#include "rules/state.h"

namespace {
// A tile is a tree base for 20 of the 1000 remainders of its hash: about 2 in 100.
constexpr uint32_t TREE_MODULUS = 1000;
constexpr uint32_t TREE_BASE_MAX_REMAINDER = 19;

// The view the last walk left wholly seen: every grass tile in it marked. Until a tile
// changes, walking those tiles again meets nothing new, so the next walk passes over them
// and visits only the tiles that came into view, in the order a whole walk meets them.
// The maps' sizes as they were then catch a change made to the maps without the rules
// (a test setting a tile); the rules' own changes forget the view.
struct SeenView {
    bool valid = false;
    int32_t startX = 0;
    int32_t startY = 0;
    size_t worldTiles = 0;
    size_t seenTiles = 0;
};
SeenView seenView;

bool withinView(int32_t v, int32_t start, int count)
{
    return int64_t{v} >= int64_t{start} && int64_t{v} < int64_t{start} + count;
}
}  // namespace

uint32_t tileHash(int32_t x, int32_t y)
{
    // Unsigned throughout: the products are meant to wrap modulo 2^32, which would be
    // undefined for signed values; negative coordinates enter as their bit patterns.
    uint32_t h = (static_cast<uint32_t>(x) * 73856093u) ^ (static_cast<uint32_t>(y) * 19349663u);
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

int getTile(int32_t x, int32_t y)
{
    if (auto it = world.find({x, y}); it != world.end()) {
        return it->second;
    }

    auto isTree = [](int32_t bx, int32_t by) {
        return tileHash(bx, by) % TREE_MODULUS <= TREE_BASE_MAX_REMAINDER;
    };
    // Neighbours are wrapped like the hash inputs, so the edges of the plane stay defined.
    auto plus = [](int32_t a, int32_t b) {
        return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
    };

    // A trunk is the base and the tile above it.
    if (isTree(x, y) || isTree(x, plus(y, 1))) {
        return ITEM_WOOD;
    }
    // The crown: three wide, two high, above the trunk.
    for (int32_t dy = 2; dy <= 3; ++dy) {
        for (int32_t dx = -1; dx <= 1; ++dx) {
            if (isTree(plus(x, -dx), plus(y, dy))) {
                return ITEM_LEAF;
            }
        }
    }
    return ITEM_GRASS;
}

void visitTile(int32_t x, int32_t y, int block)
{
    if (block != ITEM_GRASS) {
        return;
    }
    auto [it, inserted] = chunks.try_emplace({x, y}, true);
    if (!inserted && it->second) {
        return;
    }
    it->second = true;
    spawnRoll(x, y);
}

int32_t viewStart(float cameraPx)
{
    return tileOf(cameraPx) - 1;
}

void seeView(float cameraX, float cameraY)
{
    const int32_t startX = viewStart(cameraX);
    const int32_t startY = viewStart(cameraY);
    const SeenView& last = seenView;
    const bool lastHolds = last.valid && last.worldTiles == world.size() && last.seenTiles == chunks.size();
    for (int32_t x = startX; x < startX + VIEW_COLUMNS; ++x) {
        const bool columnSeen = lastHolds && withinView(x, last.startX, VIEW_COLUMNS);
        for (int32_t y = startY; y < startY + VIEW_ROWS; ++y) {
            if (!columnSeen || !withinView(y, last.startY, VIEW_ROWS)) {
                visitTile(x, y, getTile(x, y));
            }
        }
    }
    seenView = {true, startX, startY, world.size(), chunks.size()};
}

void forgetSeenView()
{
    seenView.valid = false;
}

int32_t tileOf(float worldPx)
{
    return static_cast<int32_t>(std::floor(worldPx / static_cast<float>(TILE_PX)));
}

bool withinReach(float picturePx)
{
    // False for NaN too: every comparison with it is.
    return picturePx >= -POINTER_REACH_PX && picturePx <= POINTER_REACH_PX;
}

float intoReach(float picturePx)
{
    if (std::isnan(picturePx)) {
        return -POINTER_REACH_PX;
    }
    return std::clamp(picturePx, -POINTER_REACH_PX, POINTER_REACH_PX);
}
