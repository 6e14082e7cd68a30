// The loops that run over every byte of test data: filling sectors with the pattern, finding
// the first sector that is not intact, and counting the bits in which a sector differs from a
// pattern. One portable source, compiled once for any x86-64 (or other processor) and again for
// AVX2 and AVX-512; the fastest variant the processor has is picked at start. Every variant
// gives the same results as the plain one. Worker thread (pure functions).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/units.h"

struct PatternKernels {
  const char* name;
  // Fills `count` sectors with the pattern of the sectors from absolute `offset` on.
  void (*fill)(Sector* sectors, size_t count, uint64_t offset);
  // How many sectors from the first are each equal to their own pattern (the sector at
  // `offset` first): `count` when all are.
  size_t (*intactPrefix)(const Sector* sectors, size_t count, uint64_t offset);
  // The number of bits, 0 to 4096, in which `sector` differs from the pattern grown from
  // `seed`.
  unsigned (*bitErrors)(const Sector* sector, uint64_t seed);
};

// The variant in use: the fastest this processor runs.
const PatternKernels& Kernels();

// Every variant this processor can run, the plain one first.
std::vector<const PatternKernels*> AvailableKernels();
