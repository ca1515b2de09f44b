// The game's records, named constants and the global state every rule works on.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

using json = nlohmann::json;

constexpr int SCREEN_WIDTH = 800;
constexpr int SCREEN_HEIGHT = 600;
// A stack takes one more item only while its count is below this, so a full stack holds 128.
constexpr int MAX_STACK = 128;
constexpr int MAX_HP = 10;

constexpr int TILE_PX = 64;
constexpr int HOTBAR_SLOTS = 5;
constexpr int INV_SLOTS = 21;
constexpr int GRID_CELLS = 9;

// The contents of one slot; empty is {0, 0} and emptiness is tested on id.
struct ItemStack {
    int32_t id = 0;
    int32_t count = 0;

    bool operator==(const ItemStack&) const = default;
};

// Items of one id lying on the ground as one thing; x, y is the top-left corner of its
// 32 by 32 square. A stack that found no room is dropped whole, so count can be large.
struct DroppedItem {
    int32_t id = 0;
    float x = 0.0f;
    float y = 0.0f;
    int32_t count = 1;  // at least 1
};

// One creature; x, y is the top-left corner of its 64 by 64 square.
struct Mob {
    int32_t type = 0;  // its kind: a row of CREATURES (rules/creatures.h)
    float x = 0.0f;
    float y = 0.0f;
    float tx = 0.0f;  // the point it walks towards
    float ty = 0.0f;
    uint64_t nextMove = 0;  // tick time after which a new target is chosen
    int32_t frame = 0;      // animation frame, 0 while standing
    uint64_t lastAnim = 0;  // tick time of the last frame change
    bool flip = false;      // drawn mirrored: heading left

    // Advances the creature by one frame: wander, step and animate.
    void update();
};

// Tile coordinates; std::pair orders by x, then y.
using TileCoord = std::pair<int32_t, int32_t>;

extern std::map<TileCoord, int> world;    // tiles that differ from the generated world
extern std::map<TileCoord, bool> chunks;  // grass tiles already seen
extern std::vector<Mob> mobs;
extern std::vector<DroppedItem> drops;
extern std::vector<ItemStack> inv;  // always INV_SLOTS slots
extern std::array<ItemStack, HOTBAR_SLOTS> hotbar;
extern std::array<ItemStack, GRID_CELLS> craftGrid;
extern ItemStack craftRes;  // the product on offer; always recomputed from the grid
extern ItemStack drag;      // the stack carried by the mouse pointer
extern json recipes;
extern int32_t hp;
extern uint64_t lastDecay;
extern bool showInv;
extern bool showCraft;

// Whether the inventory or a crafting table's screen is open.
inline bool screenOpen()
{
    return showInv || showCraft;
}

// Puts every global back to its value at program start (the tests start from here).
void resetGameState();
