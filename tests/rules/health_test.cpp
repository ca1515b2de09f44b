// Health: the decay of one point a minute and the respawn at the origin.
#include <gtest/gtest.h>

#include <cstdint>

#include "rules/health.h"
#include "rules/items.h"
#include "rules/state.h"

namespace {

class Health : public ::testing::Test {
protected:
    void SetUp() override { resetGameState(); }
};

TEST_F(Health, DecaysOnlyAfterMoreThanAMinute)
{
    const uint64_t start = 1000;
    lastDecay = start;

    decayHealth(start + HP_DECAY_MS);  // exactly one period later
    EXPECT_EQ(hp, 10);
    EXPECT_EQ(lastDecay, start);

    const uint64_t first = start + HP_DECAY_MS + 1;
    decayHealth(first);
    EXPECT_EQ(hp, 9);
    EXPECT_EQ(lastDecay, first);

    decayHealth(first + HP_DECAY_MS);  // the next period counts from the last decay
    EXPECT_EQ(hp, 9);
    decayHealth(first + HP_DECAY_MS + 1);
    EXPECT_EQ(hp, 8);
    EXPECT_EQ(lastDecay, first + HP_DECAY_MS + 1);
}

TEST_F(Health, ClockMovesOnAtZero)
{
    hp = 0;
    decayHealth(HP_DECAY_MS + 1);
    EXPECT_EQ(hp, 0);
    EXPECT_EQ(lastDecay, HP_DECAY_MS + 1);
}

TEST_F(Health, RespawnInTheFrameHealthRunsOut)
{
    hp = 1;
    float pX = 512.5f, pY = -300.0f;
    hotbar[0] = {ITEM_MEAT, 3};
    inv[4] = {ITEM_WOOD, 128};
    craftGrid[0] = {ITEM_PLANKS, 2};
    world[{1, 1}] = ITEM_NONE;
    drops.push_back({ITEM_STICK, 10.0f, 10.0f});
    const auto hotbarBefore = hotbar;
    const auto invBefore = inv;
    const auto gridBefore = craftGrid;

    EXPECT_FALSE(respawnIfDead(pX, pY)) << "1 point left";
    EXPECT_EQ(pX, 512.5f);
    EXPECT_EQ(pY, -300.0f);
    EXPECT_EQ(hp, 1);

    // One frame: the decay, then the respawn check.
    decayHealth(HP_DECAY_MS + 1);
    EXPECT_EQ(hp, 0);
    EXPECT_TRUE(respawnIfDead(pX, pY));
    EXPECT_EQ(pX, 0.0f);
    EXPECT_EQ(pY, 0.0f);
    EXPECT_EQ(hp, 10);
    EXPECT_EQ(hotbar, hotbarBefore);
    EXPECT_EQ(inv, invBefore);
    EXPECT_EQ(craftGrid, gridBefore);
    EXPECT_EQ(world.size(), 1u);
    EXPECT_EQ(drops.size(), 1u);

    // Below zero counts as run out as well.
    hp = -1;
    pX = 7.0f;
    EXPECT_TRUE(respawnIfDead(pX, pY));
    EXPECT_EQ(pX, 0.0f);
    EXPECT_EQ(hp, 10);
}

}  // namespace
