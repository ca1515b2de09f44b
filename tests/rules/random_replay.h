// Helpers for checking where rules draw random numbers, by replaying rand()'s sequence.
#pragma once

#include <cstdlib>

// How many rand() numbers have been drawn since std::srand(seed): the next number of the
// live sequence is looked up in a replay of it. Reseeds the generator as a side effect.
inline int drawsSince(unsigned seed)
{
    const int next = std::rand();
    std::srand(seed);
    for (int n = 0; n < 1000000; ++n) {
        if (std::rand() == next) {
            return n;
        }
    }
    return -1;
}
