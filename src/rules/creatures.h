// Creatures that wander, the roll that spawns them, and picking up dropped items.
#pragma once

#include <cstdint>

#include "rules/state.h"

constexpr int MOB_KINDS = 3;                // pig, cow, sheep
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
