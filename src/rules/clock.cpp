// The tick counter seam.
#include "rules/clock.h"

namespace {
uint64_t noTicks() { return 0; }
TickSource currentSource = noTicks;
}  // namespace

uint64_t ticks()
{
    return currentSource();
}

void setTickSource(TickSource source)
{
    currentSource = source ? source : noTicks;
}
