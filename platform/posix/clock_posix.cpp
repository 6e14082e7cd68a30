#include <time.h>

#include "platform/clock.h"

int64_t PerfCounter() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);  // cannot fail for this clock
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int64_t PerfFrequency() { return 1000000000; }
