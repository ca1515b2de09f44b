// The game's own random sequence: the numbers an unseeded glibc rand() yields, drawn
// from state that nothing else in the process can touch.
#pragma once

constexpr int GAME_RAND_MAX = 2147483647;

// The next number of the sequence, 0 to GAME_RAND_MAX.
int gameRand();

// Starts the sequence again from its first number (where every run begins).
void resetGameRand();
