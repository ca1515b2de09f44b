// Health: one point lost a minute, and the respawn at the origin when it runs out.
#pragma once

#include <cstdint>

#include "rules/state.h"

// How long a point of health lasts: one point less when more than this has passed since
// the last decay.
constexpr uint64_t HP_DECAY_MS = 60000;

// One point less when more than HP_DECAY_MS have passed since the last decay.
void decayHealth(uint64_t now);

// At 0 health or less: back to the origin with full health, keeping everything else.
// Returns whether it happened.
bool respawnIfDead(float& pX, float& pY);
