// The game's random sequence: glibc's unseeded rand() numbers, untouched by other callers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "rules/clock.h"
#include "rules/creatures.h"
#include "rules/random.h"
#include "rules/state.h"

namespace {

uint64_t fakeNow = 0;
uint64_t fakeTicks() { return fakeNow; }

TEST(GameRand, FirstMillionNumbersAreGlibcRandAfterSrandOne)
{
#ifndef __GLIBC__
    GTEST_SKIP() << "the reference sequence is glibc's rand(); this C library has another";
#else
    for (int i = 0; i < 1000; ++i) {
        (void)gameRand();  // a restart must forget whatever was drawn before it
    }
    resetGameRand();
    std::srand(1);
    for (int n = 0; n < 1000000; ++n) {
        const int want = std::rand();
        const int got = gameRand();
        ASSERT_EQ(got, want) << "number " << n;
    }
#endif
}

// Seen grass tiles and 600 frames of wandering, with `foreignDraws` rand() calls by
// someone else before every frame; returns the creatures at the end.
std::vector<Mob> runCreatures(int foreignDraws)
{
    resetGameState();
    resetGameRand();
    fakeNow = 0;
    setTickSource(fakeTicks);
    for (int32_t x = -20; x < 20; ++x) {
        for (int32_t y = -20; y < 20; ++y) {
            for (int k = 0; k < foreignDraws; ++k) {
                (void)std::rand();
            }
            spawnRoll(x, y);
        }
    }
    for (int frame = 0; frame < 600; ++frame) {
        for (int k = 0; k < foreignDraws; ++k) {
            (void)std::rand();
        }
        fakeNow += 16 + static_cast<uint64_t>(frame % 7) * 100;
        for (Mob& m : mobs) {
            m.update();
        }
    }
    setTickSource(nullptr);
    return mobs;
}

TEST(GameRand, OtherCallersOfRandChangeNothingTheCreaturesDo)
{
    const std::vector<Mob> alone = runCreatures(0);
    ASSERT_GT(alone.size(), 40u);
    for (int foreign : {1, 50}) {
        SCOPED_TRACE(foreign);
        const std::vector<Mob> shared = runCreatures(foreign);
        ASSERT_EQ(shared.size(), alone.size());
        for (size_t i = 0; i < alone.size(); ++i) {
            const Mob& a = alone[i];
            const Mob& b = shared[i];
            EXPECT_TRUE(a.type == b.type && a.x == b.x && a.y == b.y && a.tx == b.tx && a.ty == b.ty &&
                        a.nextMove == b.nextMove && a.frame == b.frame && a.flip == b.flip)
                << "creature " << i;
        }
    }
}

}  // namespace
