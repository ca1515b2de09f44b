// The additive feedback generator that glibc's rand() uses after srand(1), so a run
// replays the same world on every system whatever else calls rand() meanwhile.
#include "rules/random.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace {
constexpr int64_t LCG_MULTIPLIER = 16807;
constexpr int64_t LCG_MODULUS = 2147483647;
constexpr size_t LAG_LONG = 31;   // r[i] = r[i-31] + r[i-3]
constexpr size_t LAG_SHORT = 3;
constexpr size_t FIRST_SUM = 34;  // r[31..33] repeat r[0..2]; sums start at r[34]
constexpr size_t FIRST_OUTPUT = 344;

struct Generator {
    // r[i-31] .. r[i-1], indexed by i mod 31; unsigned because the sums wrap mod 2^32.
    std::array<uint32_t, LAG_LONG> ring{};
    size_t next = 0;  // i of the next r[i] to compute
};

constexpr uint32_t step(Generator& g)
{
    const uint32_t r = g.ring[g.next % LAG_LONG] + g.ring[(g.next - LAG_SHORT) % LAG_LONG];
    g.ring[g.next % LAG_LONG] = r;
    ++g.next;
    return r;
}

// The generator as srand(1) leaves it: the next step yields output 0.
constexpr Generator atStart()
{
    Generator g;
    int64_t word = 1;
    g.ring[0] = static_cast<uint32_t>(word);
    for (size_t i = 1; i < LAG_LONG; ++i) {
        word = (LCG_MULTIPLIER * word) % LCG_MODULUS;
        if (word < 0) {
            word += LCG_MODULUS;
        }
        g.ring[i] = static_cast<uint32_t>(word);
    }
    // r[31..33] equal r[0..2], which already sit in their ring slots.
    g.next = FIRST_SUM;
    while (g.next < FIRST_OUTPUT) {
        step(g);
    }
    return g;
}

constexpr Generator START = atStart();
constinit Generator gen = START;
}  // namespace

int gameRand()
{
    return static_cast<int>(step(gen) >> 1);
}

uint64_t gameRandDraws()
{
    return gen.next - FIRST_OUTPUT;
}

void resetGameRand()
{
    gen = START;
}

GameRandState gameRandState()
{
    // The ring is stored in order from r[next-31], so the layout does not depend on the
    // slot the recurrence happens to be at.
    GameRandState s;
    for (size_t i = 0; i < LAG_LONG; ++i) {
        s.ring[i] = gen.ring[(gen.next + i) % LAG_LONG];
    }
    s.draws = gameRandDraws();
    return s;
}

void setGameRandState(const GameRandState& s)
{
    gen.next = static_cast<size_t>(s.draws + FIRST_OUTPUT);
    for (size_t i = 0; i < LAG_LONG; ++i) {
        gen.ring[(gen.next + i) % LAG_LONG] = s.ring[i];
    }
}
