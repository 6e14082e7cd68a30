// The test pattern: every sector's content follows from its own absolute offset in the test
// data. Word 0 is the offset; each further word is the previous one times 0x10000000F plus 17,
// modulo 2^64. Worker thread (FillPattern touches only IoBuffer).
#pragma once

#include <bit>
#include <cstdint>

#include "engine/units.h"

inline constexpr uint64_t kPatternMultiplier = 0x10000000F;
inline constexpr uint64_t kPatternIncrement = 17;

inline uint64_t NextPatternWord(uint64_t word) {
  return word * kPatternMultiplier + kPatternIncrement;
}

// Words are stored little-endian whatever the processor's order.
inline PatternWord ToStoredWord(uint64_t value) {
  if constexpr (std::endian::native == std::endian::little) return value;
  return __builtin_bswap64(value);
}
inline uint64_t FromStoredWord(PatternWord stored) { return ToStoredWord(stored); }

// Fills the whole IoBuffer with the 1048576 bytes of test data that start at `offset`.
// REQUIRES: offset is a multiple of 512.
void FillPattern(uint64_t offset);
