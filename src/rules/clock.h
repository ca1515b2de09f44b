// The rules' one window on the platform: the millisecond tick counter.
#pragma once

#include <cstdint>

using TickSource = uint64_t (*)();

// Milliseconds since the platform started; 0 until a source is set.
uint64_t ticks();

// The frame sets it to the tick it read from its platform; tests set one they control.
void setTickSource(TickSource source);
