// The pattern in closed form. Word i of the sector at offset X is A[i] * X + B[i] modulo 2^64,
// where A and B follow from the recurrence (A[0] = 1, B[0] = 0; A[i] = M * A[i-1],
// B[i] = M * B[i-1] + 17). So every word can be computed on its own, and the sector at X + 512
// is the sector at X plus the constant STEP[i] = 512 * A[i], word by word.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/units.h"

struct PatternCoefficients {
  uint64_t a[kWordsPerSector];
  uint64_t b[kWordsPerSector];
  uint64_t step[kWordsPerSector];  // from one sector to the next
};

constexpr PatternCoefficients MakePatternCoefficients() {
  PatternCoefficients c{};
  c.a[0] = 1;
  c.b[0] = 0;
  for (size_t i = 1; i < kWordsPerSector; ++i) {
    c.a[i] = c.a[i - 1] * 0x10000000F;
    c.b[i] = c.b[i - 1] * 0x10000000F + 17;
  }
  for (size_t i = 0; i < kWordsPerSector; ++i) c.step[i] = c.a[i] * kSectorBytes;
  return c;
}

inline constexpr PatternCoefficients kPatternCoefficients = MakePatternCoefficients();
