// Whole pages of memory straight from the system: page-aligned, zero-filled, and a failure is a
// null result rather than an exception. Any thread.
#pragma once

#include <cstddef>

void* AllocatePages(size_t bytes);  // null when the memory cannot be had
void FreePages(void* pages, size_t bytes);

// Tests make every later allocation larger than `bytes` fail; 0 lifts the limit.
void LimitPageAllocationsForTesting(size_t bytes);
