// Memory straight from the system, where a failure is a null result rather than an exception:
// whole pages (page-aligned) for the transfer buffer, zero-filled blocks of any size for tables
// that grow. Any thread.
#pragma once

#include <cstddef>

void* AllocatePages(size_t bytes);  // null when the memory cannot be had
void FreePages(void* pages, size_t bytes);

void* AllocateZeroed(size_t bytes);  // null when the memory cannot be had
void FreeZeroed(void* block);

// Tests make every later allocation larger than `bytes` fail; 0 lifts the limit.
void LimitAllocationsForTesting(size_t bytes);
