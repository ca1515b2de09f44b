// Health decay and the respawn.
#include "rules/health.h"

#include "rules/state.h"

void decayHealth(uint64_t now)
{
    if (now - lastDecay > HP_DECAY_MS) {
        if (hp > 0) {
            --hp;
        }
        lastDecay = now;
    }
}

bool respawnIfDead(float& pX, float& pY)
{
    if (hp > 0) {
        return false;
    }
    pX = 0.0f;
    pY = 0.0f;
    hp = MAX_HP;
    return true;
}
