// Creature wandering and animation, spawning, and the pick-up of dropped items.
#include "rules/creatures.h"

#include <cmath>

#include "rules/clock.h"
#include "rules/inventory.h"
#include "rules/random.h"

void Mob::update()
{
    const uint64_t t = ticks();
    if (t > nextMove) {
        // Three draws, in this order, so a run replays the same wandering.
        tx = x + static_cast<float>(gameRand() % (2 * WANDER_RANGE_PX) - WANDER_RANGE_PX);
        ty = y + static_cast<float>(gameRand() % (2 * WANDER_RANGE_PX) - WANDER_RANGE_PX);
        nextMove = t + static_cast<uint64_t>(gameRand()) % WANDER_SPREAD_MS + WANDER_MIN_MS;
    }
    const float dx = tx - x;
    const float dy = ty - y;
    const float d = std::sqrt(dx * dx + dy * dy);
    if (d > MOB_ARRIVED_PX) {
        flip = dx < 0;
        x += dx / d * MOB_SPEED_PX;
        y += dy / d * MOB_SPEED_PX;
        if (t - lastAnim > MOB_ANIM_MS) {
            frame = frame == 0 ? 1 : 0;
            lastAnim = t;
        }
    } else {
        frame = 0;
    }
}

void spawnRoll(int32_t x, int32_t y)
{
    if (gameRand() % 100 >= SPAWN_CHANCE_PERCENT) {
        return;
    }
    Mob m;
    m.type = gameRand() % MOB_KINDS;
    m.x = static_cast<float>(TILE_PX) * static_cast<float>(x);
    m.y = static_cast<float>(TILE_PX) * static_cast<float>(y);
    m.tx = m.x;
    m.ty = m.y;
    mobs.push_back(m);
}

void pickUpDrops(float pX, float pY)
{
    for (auto it = drops.begin(); it != drops.end();) {
        if (std::hypot(it->x - pX, it->y - pY) < PICKUP_RADIUS_PX && addItem(it->id)) {
            it = drops.erase(it);
        } else {
            ++it;
        }
    }
}

void dropItem(int id, float x, float y)
{
    drops.push_back({id, x, y});
}
