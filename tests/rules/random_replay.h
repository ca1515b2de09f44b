// Helpers for checking where rules draw random numbers, by replaying the game's sequence.
#pragma once

#include "rules/random.h"

// How many numbers have been drawn since resetGameRand(): the next number of the live
// sequence is looked up in a replay of it. Restarts the sequence as a side effect.
inline int drawsSince()
{
    const int next = gameRand();
    resetGameRand();
    for (int n = 0; n < 1000000; ++n) {
        if (gameRand() == next) {
            return n;
        }
    }
    return -1;
}
