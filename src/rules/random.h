// The game's own random sequence: the numbers an unseeded glibc rand() yields, drawn
// from state that nothing else in the process can touch.
#pragma once

#include <array>
#include <cstdint>

constexpr int GAME_RAND_MAX = 2147483647;

// The next number of the sequence, 0 to GAME_RAND_MAX.
int gameRand();

// How many numbers have been drawn since the sequence last started.
uint64_t gameRandDraws();

// Starts the sequence again from its first number (where every run begins).
void resetGameRand();

// Where the sequence stands: the last 31 numbers of its recurrence and how many were drawn.
struct GameRandState {
    std::array<uint32_t, 31> ring{};
    uint64_t draws = 0;
};

// The sequence as it stands, and putting it back there (a kept run coming back).
GameRandState gameRandState();
void setGameRandState(const GameRandState& s);
