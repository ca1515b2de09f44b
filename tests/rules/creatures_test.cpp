// Creatures: wandering and animation, the spawn roll, and picking up dropped items.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "replay/snapshot.h"
#include "replay/state_hash.h"
#include "rules/actions.h"
#include "rules/clock.h"
#include "rules/creatures.h"
#include "rules/inventory.h"
#include "rules/items.h"
#include "rules/random.h"
#include "rules/state.h"
#include "random_replay.h"

namespace {

uint64_t fakeNow = 0;
uint64_t fakeTicks() { return fakeNow; }

// The position of the first number in the game's sequence for which `accept` holds.
template <typename Pred>
int findInSequence(Pred accept)
{
    resetGameRand();
    for (int n = 0; n < 10000000; ++n) {
        if (accept(gameRand())) {
            return n;
        }
    }
    return -1;
}

// Number n (from 0) of the game's sequence.
int nthNumber(int n)
{
    resetGameRand();
    for (int i = 0; i < n; ++i) {
        (void)gameRand();
    }
    return gameRand();
}

// Restarts the sequence and draws n numbers, so that the next one drawn is number n.
void seekTo(int n)
{
    resetGameRand();
    for (int i = 0; i < n; ++i) {
        (void)gameRand();
    }
}

Mob mobAt(float x, float y)
{
    Mob m;
    m.x = x;
    m.y = y;
    m.tx = x;
    m.ty = y;
    return m;
}

class Creatures : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetGameState();
        fakeNow = 0;
        setTickSource(fakeTicks);
        resetGameRand();
    }
    void TearDown() override { setTickSource(nullptr); }
};

// ---- Mob::update --------------------------------------------------------------------

TEST_F(Creatures, NewTargetOnlyOnceNextMoveHasPassed)
{
    Mob m = mobAt(640.0f, 320.0f);
    m.nextMove = 5000;

    fakeNow = 5000;
    resetGameRand();
    m.update();
    EXPECT_EQ(drawsSince(), 0);
    EXPECT_EQ(m.tx, 640.0f);
    EXPECT_EQ(m.ty, 320.0f);
    EXPECT_EQ(m.nextMove, 5000u);

    resetGameRand();
    const int a = gameRand();
    const int b = gameRand();
    const int c = gameRand();
    resetGameRand();
    fakeNow = 5001;
    m.update();
    EXPECT_EQ(drawsSince(), 3);
    EXPECT_EQ(m.tx, 640.0f + static_cast<float>(a % 400 - 200));
    EXPECT_EQ(m.ty, 320.0f + static_cast<float>(b % 400 - 200));
    EXPECT_EQ(m.nextMove, 5001u + static_cast<uint64_t>(c % 3000) + 3000u);
}

TEST_F(Creatures, NewCreatureChoosesAndStepsAtItsFirstUpdate)
{
    resetGameRand();
    const int a = gameRand();
    const int b = gameRand();
    const int c = gameRand();
    const float ox = static_cast<float>(a % 400 - 200);
    const float oy = static_cast<float>(b % 400 - 200);
    ASSERT_GT(std::hypot(ox, oy), 2.0f) << "the replayed offsets happen to be tiny";

    resetGameRand();
    Mob m = mobAt(128.0f, -64.0f);
    fakeNow = 10;
    m.update();
    EXPECT_EQ(m.nextMove, 10u + static_cast<uint64_t>(c % 3000) + 3000u);
    const float d = std::hypot(ox, oy);
    EXPECT_FLOAT_EQ(m.x, 128.0f + ox / d * 1.2f);
    EXPECT_FLOAT_EQ(m.y, -64.0f + oy / d * 1.2f);
    EXPECT_EQ(m.flip, ox < 0);
}

TEST_F(Creatures, TargetWithinTwoPixelsStands)
{
    Mob m = mobAt(100.0f, 100.0f);
    m.nextMove = 1000000;
    m.frame = 1;
    m.flip = true;
    m.lastAnim = 7;
    fakeNow = 5000;

    SCOPED_TRACE("exactly 2.0 to the right");
    m.tx = 102.0f;
    m.update();
    EXPECT_EQ(m.x, 100.0f);
    EXPECT_EQ(m.y, 100.0f);
    EXPECT_EQ(m.frame, 0);
    EXPECT_TRUE(m.flip) << "standing keeps the facing";
    EXPECT_EQ(m.lastAnim, 7u) << "standing keeps the animation time";

    SCOPED_TRACE("exactly 2.0 above");
    m.tx = 100.0f;
    m.ty = 98.0f;
    m.frame = 1;
    m.update();
    EXPECT_EQ(m.y, 100.0f);
    EXPECT_EQ(m.frame, 0);

    SCOPED_TRACE("2.5 away walks");
    m.tx = 102.5f;
    m.ty = 100.0f;
    m.update();
    EXPECT_FLOAT_EQ(m.x, 101.2f);
    EXPECT_FALSE(m.flip);
}

TEST_F(Creatures, FacingFollowsTheTarget)
{
    fakeNow = 100;
    {
        SCOPED_TRACE("straight above");
        Mob m = mobAt(0.0f, 0.0f);
        m.nextMove = 1000000;
        m.flip = true;
        m.ty = -100.0f;
        m.update();
        EXPECT_FALSE(m.flip);
        EXPECT_EQ(m.x, 0.0f);
        EXPECT_FLOAT_EQ(m.y, -1.2f);
    }
    {
        SCOPED_TRACE("straight below");
        Mob m = mobAt(0.0f, 0.0f);
        m.nextMove = 1000000;
        m.flip = true;
        m.ty = 100.0f;
        m.update();
        EXPECT_FALSE(m.flip);
        EXPECT_FLOAT_EQ(m.y, 1.2f);
    }
    {
        SCOPED_TRACE("to the left, then arrived");
        Mob m = mobAt(0.0f, 0.0f);
        m.nextMove = 1000000;
        m.tx = -4.0f;
        m.update();
        EXPECT_TRUE(m.flip);
        EXPECT_FLOAT_EQ(m.x, -1.2f);
        m.update();
        EXPECT_FLOAT_EQ(m.x, -2.4f);
        m.update();  // 1.6 from the target: stands
        EXPECT_FLOAT_EQ(m.x, -2.4f);
        EXPECT_EQ(m.frame, 0);
        EXPECT_TRUE(m.flip);
    }
}

TEST_F(Creatures, StepIsOnePointTwoAlongTheLine)
{
    Mob m = mobAt(10.0f, 20.0f);
    m.nextMove = 1000000;
    m.tx = 40.0f;  // 30 across, 40 down: 50 away
    m.ty = 60.0f;
    fakeNow = 1;
    m.update();
    EXPECT_FLOAT_EQ(m.x, 10.72f);
    EXPECT_FLOAT_EQ(m.y, 20.96f);
    EXPECT_FALSE(m.flip);
}

TEST_F(Creatures, AnimationChangesOnlyAfterMoreThan250ms)
{
    Mob m = mobAt(0.0f, 0.0f);
    m.nextMove = 1000000;
    m.tx = 10000.0f;
    m.lastAnim = 1000;

    fakeNow = 1250;
    m.update();
    EXPECT_EQ(m.frame, 0);
    EXPECT_EQ(m.lastAnim, 1000u);

    fakeNow = 1251;
    m.update();
    EXPECT_EQ(m.frame, 1);
    EXPECT_EQ(m.lastAnim, 1251u);

    fakeNow = 1501;
    m.update();
    EXPECT_EQ(m.frame, 1);

    fakeNow = 1502;
    m.update();
    EXPECT_EQ(m.frame, 0);
    EXPECT_EQ(m.lastAnim, 1502u);
}

TEST_F(Creatures, NewCreatureWithZeroOffsetsStands)
{
    // Find two numbers in a row that give offset 0 (gameRand() % 400 == 200) on both axes.
    resetGameRand();
    int pos = -1;
    int prev = gameRand();
    for (int n = 1; n < 10000000 && pos < 0; ++n) {
        const int cur = gameRand();
        if (prev % 400 == 200 && cur % 400 == 200) {
            pos = n - 1;
        }
        prev = cur;
    }
    ASSERT_GE(pos, 0);
    const uint64_t expectedNext = 1u + static_cast<uint64_t>(nthNumber(pos + 2) % 3000) + 3000u;
    seekTo(pos);

    Mob m = mobAt(192.0f, 256.0f);
    fakeNow = 1;
    m.update();
    EXPECT_EQ(m.tx, 192.0f);
    EXPECT_EQ(m.ty, 256.0f);
    EXPECT_EQ(m.x, 192.0f);
    EXPECT_EQ(m.y, 256.0f);
    EXPECT_EQ(m.frame, 0);
    EXPECT_FALSE(m.flip);
    const uint64_t next = m.nextMove;
    EXPECT_EQ(next, expectedNext);

    fakeNow = next - 1000;
    m.update();
    EXPECT_EQ(m.x, 192.0f);

    fakeNow = next;
    m.update();
    EXPECT_EQ(m.x, 192.0f);
    EXPECT_EQ(m.y, 256.0f);
    EXPECT_EQ(m.nextMove, next);
}

// ---- spawnRoll ----------------------------------------------------------------------

TEST_F(Creatures, SpawnRollFollowsTheSequence)
{
    // Replay what a run of rolls over tiles (k, -k) must give.
    resetGameRand();
    struct Expected {
        int32_t tile;
        int type;
    };
    std::vector<Expected> expected;
    int draws = 0;
    for (int32_t k = 0; k < 300; ++k) {
        ++draws;
        if (gameRand() % 100 <= 4) {
            ++draws;
            expected.push_back({k, gameRand() % MOB_KINDS});
        }
    }
    ASSERT_GE(expected.size(), 3u);

    resetGameRand();
    for (int32_t k = 0; k < 300; ++k) {
        spawnRoll(k, -k);
    }
    EXPECT_EQ(drawsSince(), draws);
    ASSERT_EQ(mobs.size(), expected.size());
    for (size_t i = 0; i < mobs.size(); ++i) {
        SCOPED_TRACE(i);
        const Mob& m = mobs[i];
        const float x = 64.0f * static_cast<float>(expected[i].tile);
        EXPECT_EQ(m.type, expected[i].type);
        EXPECT_EQ(m.x, x);
        EXPECT_EQ(m.y, -x);
    }
}

TEST_F(Creatures, SpawnRollBoundaryAndNewCreature)
{
    {
        SCOPED_TRACE("a roll of 5 spawns nothing and draws one number");
        const int at = findInSequence([](int r) { return r % 100 == 5; });
        ASSERT_GE(at, 0);
        const int after = nthNumber(at + 1);
        seekTo(at);
        spawnRoll(2, 2);
        EXPECT_EQ(gameRand(), after);
        EXPECT_TRUE(mobs.empty());
    }
    {
        SCOPED_TRACE("a roll of 4 spawns a creature standing on its tile");
        const int at = findInSequence([](int r) { return r % 100 == 4; });
        ASSERT_GE(at, 0);
        const int type = nthNumber(at + 1) % MOB_KINDS;
        const int after = nthNumber(at + 2);
        seekTo(at);
        spawnRoll(-3, 7);
        EXPECT_EQ(gameRand(), after) << "a spawn draws exactly two numbers";
        ASSERT_EQ(mobs.size(), 1u);
        const Mob& m = mobs[0];
        EXPECT_EQ(m.type, type);
        EXPECT_EQ(m.x, -192.0f);
        EXPECT_EQ(m.y, 448.0f);
        EXPECT_EQ(m.tx, -192.0f);
        EXPECT_EQ(m.ty, 448.0f);
        EXPECT_EQ(m.nextMove, 0u);
        EXPECT_EQ(m.frame, 0);
        EXPECT_EQ(m.lastAnim, 0u);
        EXPECT_FALSE(m.flip);
    }
}

// Every row of the kinds' table, so that a kind added to the table alone is covered: the
// spawn roll gives it, the state hash tells it from every other kind, a snapshot brings
// it back to the same hash, and killing it leaves its own drop. The kind past the table
// is refused by the snapshot's reader.
TEST_F(Creatures, EveryKindSpawnsHashesComesBackAndLeavesItsDrop)
{
    std::set<uint32_t> kindHashes;
    for (int kind = 0; kind < MOB_KINDS; ++kind) {
        SCOPED_TRACE(CREATURES[static_cast<size_t>(kind)].name);
        resetGameRand();
        int roll = 0;
        for (int drawn = gameRand(), next = gameRand();
             drawn % 100 >= SPAWN_CHANCE_PERCENT || next % MOB_KINDS != kind; drawn = next, next = gameRand()) {
            ++roll;
            ASSERT_LT(roll, 100000) << "no spawn of this kind early in the sequence";
        }
        resetGameState();
        seekTo(roll);
        spawnRoll(2, 3);
        ASSERT_EQ(mobs.size(), 1u);
        EXPECT_EQ(mobs[0].type, kind);

        const StateHashes hashes = hashState({});
        EXPECT_TRUE(kindHashes.insert(hashes[PART_CREATURES]).second) << "hashed as another kind";
        const std::string snapshot = takeSnapshot({}, "0.1.0");
        resetGameState();
        ASSERT_EQ(restoreSnapshot(snapshot, "0.1.0").problem, "");
        ASSERT_EQ(mobs.size(), 1u);
        EXPECT_EQ(mobs[0].type, kind);
        EXPECT_EQ(hashState({}), hashes);

        // Its square is at world (128, 192): a click in its middle with the camera at 0.
        worldClick(BUTTON_LEFT, 160.0f, 224.0f, 0.0f, 0.0f, 0);
        EXPECT_TRUE(mobs.empty());
        ASSERT_EQ(drops.size(), 1u);
        EXPECT_EQ(drops[0].id, CREATURES[static_cast<size_t>(kind)].drops);
    }
    resetGameState();
    mobs = {mobAt(0.0f, 0.0f)};
    mobs[0].type = MOB_KINDS;
    const std::string past = takeSnapshot({}, "0.1.0");
    resetGameState();
    EXPECT_NE(restoreSnapshot(past, "0.1.0").problem.find("unknown creature " + std::to_string(MOB_KINDS)),
              std::string::npos);
    EXPECT_TRUE(mobs.empty());
}

// ---- pickUpDrops --------------------------------------------------------------------

TEST_F(Creatures, PickUpReachIsStrictlyUnderForty)
{
    dropItem(ITEM_STICK, 139.99f, 100.0f);  // 39.99 away
    dropItem(ITEM_WOOD, 140.0f, 100.0f);    // 40 away
    dropItem(ITEM_LEAF, 124.0f, 132.0f);    // 24 across, 32 down: 40 away
    dropItem(ITEM_PLANKS, 100.0f, 60.0f);   // 40 above
    pickUpDrops(100.0f, 100.0f);

    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_STICK, 1}));
    EXPECT_EQ(hotbar[1], (ItemStack{}));
    ASSERT_EQ(drops.size(), 3u);
    EXPECT_EQ(drops[0].id, ITEM_WOOD);
    EXPECT_EQ(drops[1].id, ITEM_LEAF);
    EXPECT_EQ(drops[2].id, ITEM_PLANKS);
}

TEST_F(Creatures, EverythingInReachIsCollectedInListOrder)
{
    dropItem(ITEM_MEAT, 10.0f, 10.0f);
    dropItem(ITEM_WOOD, 500.0f, 500.0f);  // out of reach, between them
    dropItem(ITEM_LEAF, -10.0f, 5.0f);
    pickUpDrops(0.0f, 0.0f);

    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_MEAT, 1}));
    EXPECT_EQ(hotbar[1], (ItemStack{ITEM_LEAF, 1}));
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].id, ITEM_WOOD);
}

TEST_F(Creatures, MeatOfACreatureKilledUnderThePlayerIsCollected)
{
    const float pX = 300.0f, pY = -200.0f;
    mobs.push_back(mobAt(pX, pY));
    // Camera as the frame loop sets it for this player; the click lands mid-creature.
    worldClick(BUTTON_LEFT, 400.0f, 300.0f, pX - 368.0f, pY - 268.0f, 0);
    ASSERT_TRUE(mobs.empty());
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_NEAR(std::hypot(drops[0].x - pX, drops[0].y - pY), 22.63f, 0.01f);

    pickUpDrops(pX, pY);
    EXPECT_TRUE(drops.empty());
    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_MEAT, 1}));
}

TEST_F(Creatures, ItemWithNoRoomStaysOnTheGround)
{
    // Every slot either holds another id or a full stack of meat.
    for (auto& s : hotbar) {
        s = {ITEM_MEAT, MAX_STACK};
    }
    for (size_t i = 0; i < inv.size(); ++i) {
        inv[i] = i % 2 == 0 ? ItemStack{ITEM_WOOD, 5} : ItemStack{ITEM_MEAT, MAX_STACK};
    }
    inv[20] = {ITEM_STICK, MAX_STACK - 1};
    const auto hotbarBefore = hotbar;
    const auto invBefore = inv;

    dropItem(ITEM_MEAT, 5.0f, 5.0f);
    dropItem(ITEM_STICK, 6.0f, 6.0f);
    pickUpDrops(0.0f, 0.0f);
    ASSERT_EQ(drops.size(), 1u) << "the meat stays, the stick tops up the last stack";
    EXPECT_EQ(drops[0].id, ITEM_MEAT);
    EXPECT_EQ(drops[0].x, 5.0f);
    EXPECT_EQ(drops[0].y, 5.0f);
    EXPECT_EQ(hotbar, hotbarBefore);
    EXPECT_EQ(inv[20], (ItemStack{ITEM_STICK, MAX_STACK}));
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(inv[i], invBefore[i]) << "slot " << i;
    }

    pickUpDrops(0.0f, 0.0f);
    EXPECT_EQ(drops.size(), 1u) << "still no room";

    inv[10] = {};
    pickUpDrops(0.0f, 0.0f);
    EXPECT_TRUE(drops.empty());
    EXPECT_EQ(inv[10], (ItemStack{ITEM_MEAT, 1}));
}

TEST_F(Creatures, PickUpTakesWhatFitsAndLeavesTheRestWithItsCount)
{
    // Storage full of leaves but for room for `room` sticks in the last slot; a drop of `count`
    // sticks in reach between two drops of leaves (no room for them), in reach and not.
    struct Row {
        int room;
        int count;
        int lying;  // sticks left on the ground
    };
    for (const Row& r : {Row{0, 1, 1}, Row{1, 1, 0}, Row{127, 1, 0}, Row{5, 3, 0}, Row{5, 300, 295},
                         Row{127, 128, 1}, Row{127, INT32_MAX, INT32_MAX - 127}}) {
        SCOPED_TRACE(testing::Message() << "room " << r.room << ", count " << r.count);
        resetGameState();
        hotbar.fill({ITEM_LEAF, MAX_STACK});
        inv.assign(INV_SLOTS, ItemStack{ITEM_LEAF, MAX_STACK});
        inv[20] = {ITEM_STICK, MAX_STACK - r.room};
        dropItem(ITEM_LEAF, 1.0f, 1.0f, 2);
        dropItem(ITEM_STICK, 3.0f, 4.0f, r.count);
        dropItem(ITEM_LEAF, 300.0f, 1.0f);
        pickUpDrops(0.0f, 0.0f);

        EXPECT_EQ(inv[20], (ItemStack{ITEM_STICK, MAX_STACK - r.room + (r.count - r.lying)}));
        std::vector<std::pair<int, int>> lying;
        for (const auto& d : drops) lying.emplace_back(d.id, d.count);
        std::vector<std::pair<int, int>> expected = {{ITEM_LEAF, 2}};
        if (r.lying > 0) expected.emplace_back(ITEM_STICK, r.lying);
        expected.emplace_back(ITEM_LEAF, 1);
        EXPECT_EQ(lying, expected);
        if (r.lying > 0) {
            EXPECT_EQ(drops[1].x, 3.0f);
            EXPECT_EQ(drops[1].y, 4.0f);
        }
    }
    {
        SCOPED_TRACE("a drop of 0 or fewer items is never made");
        resetGameState();
        dropItem(ITEM_WOOD, 0.0f, 0.0f, 0);
        dropItem(ITEM_WOOD, 0.0f, 0.0f, -4);
        EXPECT_TRUE(drops.empty());
    }
}

}  // namespace
