// The high-resolution performance counter: a monotonic tick count. Any thread.
#pragma once

#include <cstdint>

int64_t PerfCounter();    // ticks since an arbitrary start, never decreasing
int64_t PerfFrequency();  // ticks per second
