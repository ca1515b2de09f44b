// The game's random sequence: glibc's unseeded rand() numbers on every system, untouched
// by other callers.
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

// FNV-1a over glibc's first million rand() numbers after srand(1), four bytes each, low
// byte first: the reference on every system, whatever its own rand() does.
constexpr uint64_t FIRST_MILLION_FINGERPRINT = 0x3798518582f3b125;

TEST(GameRand, FirstMillionNumbersAreGlibcRandAfterSrandOne)
{
    for (int i = 0; i < 1000; ++i) {
        (void)gameRand();  // a restart must forget whatever was drawn before it
    }
    resetGameRand();
    std::vector<int> got(1000000);
    uint64_t hash = 1469598103934665603u;
    for (int& number : got) {
        number = gameRand();
        for (int byte = 0; byte < 4; ++byte) {
            hash = (hash ^ ((static_cast<uint32_t>(number) >> (8 * byte)) & 0xffu)) * 1099511628211u;
        }
    }
    EXPECT_EQ(hash, FIRST_MILLION_FINGERPRINT);
#ifdef __GLIBC__
    // Where the C library is glibc, number by number, to say which one differs.
    std::srand(1);
    for (size_t n = 0; n < got.size(); ++n) {
        ASSERT_EQ(got[n], std::rand()) << "number " << n;
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
