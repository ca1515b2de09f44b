// Creature wandering and animation, spawning, and the pick-up of dropped items.
#include "rules/creatures.h"

#include <array>
#include <cmath>

#include "rules/clock.h"
#include "rules/inventory.h"
#include "rules/items.h"
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

namespace {
// Squares of floats are exact in double, so the comparison needs no library maths
// whose last bit differs between C libraries.
bool closerThan(float dx, float dy, float radius)
{
    const double ddx = dx;
    const double ddy = dy;
    const double r = radius;
    return ddx * ddx + ddy * ddy < r * r;
}
}  // namespace

void pickUpDrops(float pX, float pY)
{
    // One pass that closes the gaps as it goes: erasing inside the loop would move the
    // rest of the list for every item taken.
    size_t kept = 0;
    // Ids storage has turned away in this pass: nothing leaves storage meanwhile, so the
    // next drop of the id would be turned away as well, and a big pile costs one look.
    std::array<bool, ITEM_COUNT> noRoom{};
    for (DroppedItem& d : drops) {
        const bool known = isItem(d.id) && noRoom[static_cast<size_t>(d.id)];
        if (!known && closerThan(d.x - pX, d.y - pY, PICKUP_RADIUS_PX)) {
            const int taken = addUpTo(d.id, d.count);
            if (taken < d.count && isItem(d.id)) {
                noRoom[static_cast<size_t>(d.id)] = true;
            }
            d.count -= taken;
        }
        if (d.count > 0) {
            drops[kept++] = d;
        }
    }
    drops.resize(kept);
}

void dropItem(int id, float x, float y, int count)
{
    if (count > 0) {
        drops.push_back({id, x, y, count});
    }
}
