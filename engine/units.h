// Units of test data and the transfer buffer that carries it, 1 MByte at a time.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr uint64_t kBytesPerMB = 1048576;  // 1 MByte; byte counts become MByte by >> 20
inline constexpr unsigned kMBShift = 20;
inline constexpr size_t kSectorBytes = 512;
inline constexpr size_t kWordsPerSector = 64;
inline constexpr size_t kSectorsPerBlock = 2048;  // one block of 1 MByte

// One 64-bit word of test data, stored least significant byte first.
using PatternWord = uint64_t;

struct Sector {
  PatternWord words[kWordsPerSector];
};

// The one transfer buffer: 1 MByte, page-aligned, as unbuffered transfers require.
struct IoBuffer {
  Sector sectors[kSectorsPerBlock];
};
static_assert(sizeof(IoBuffer) == kBytesPerMB);
