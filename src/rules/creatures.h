// Creatures that wander, the roll that spawns them, and picking up dropped items.
#pragma once

#include <array>
#include <cstdint>

#include "rules/items.h"
#include "rules/state.h"

// A creature walks in two pictures, the second shown every other MOB_ANIM_MS.
constexpr int MOB_FRAMES = 2;

// One kind of creature: its name, its walking pictures (paths in the data folder, each
// drawn from assets/art/<name>.txt) and the item it leaves when killed.
struct CreatureKind {
    const char* name;
    std::array<const char*, MOB_FRAMES> pictures;
    ItemId drops;
};

// Every kind, by its number (Mob::type): spawning, drawing, the snapshot and killing
// read this table, and everything sized by kind is sized by it. A new kind is a row
// here, its art in assets/art and its names in cmake/Assets.cmake's art list. The rows'
// order is part of every replay: a spawn draws a kind by its place here.
inline constexpr auto CREATURES = std::to_array<CreatureKind>({
    {"pig", {"assets/pig1.png", "assets/pig2.png"}, ITEM_MEAT},
    {"cow", {"assets/cow1.png", "assets/cow2.png"}, ITEM_MEAT},
    {"sheep", {"assets/sheep1.png", "assets/sheep2.png"}, ITEM_MEAT},
});
constexpr int MOB_KINDS = static_cast<int>(CREATURES.size());

constexpr int SPAWN_CHANCE_PERCENT = 5;     // of newly seen grass tiles
constexpr int WANDER_RANGE_PX = 200;        // a target lies -200 to 199 pixels away on each axis
constexpr uint64_t WANDER_MIN_MS = 3000;    // a new target 3000 to 5999 ms later
constexpr uint64_t WANDER_SPREAD_MS = 3000;
constexpr float MOB_SPEED_PX = 1.2f;        // per frame
constexpr float MOB_ARRIVED_PX = 2.0f;      // stands within this distance of its target
constexpr uint64_t MOB_ANIM_MS = 250;
constexpr float PICKUP_RADIUS_PX = 40.0f;
constexpr float DROP_PX = 32.0f;            // a dropped item's square
constexpr float MOB_PX = 64.0f;             // a creature's square

// Run for a grass tile just marked as seen: 5 in 100 spawn a creature of a random
// kind on the tile. Draws one random number, or two on a spawn.
void spawnRoll(int32_t x, int32_t y);

// Collects every drop strictly closer than PICKUP_RADIUS_PX to the player (top-left
// corners), in list order: each gives what storage takes, and what finds no room stays
// where it lies with its count.
void pickUpDrops(float pX, float pY);

// Puts `count` items of `id` on the ground as one drop, the top-left corner of its
// square at (x, y). A count of 0 or below drops nothing.
void dropItem(int id, float x, float y, int count = 1);
