// The rules' one window on the platform: the millisecond tick counter.
#pragma once

#include <cstdint>

using TickSource = uint64_t (*)();

// Milliseconds since the platform started; 0 until a source is set.
uint64_t ticks();

// The shell sets the real counter at start-up; tests set one they control.
void setTickSource(TickSource source);
