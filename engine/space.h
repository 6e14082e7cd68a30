// Free space and total size, in MByte, of the volume that holds the target directory.
// Any thread; the answer comes from the system each time.
#pragma once

#include <cstdint>

inline constexpr uint64_t SPACE_UNKNOWN = 0xFFFFFFFFFFFFFFFF;  // the query failed

// Free space available to the user the program runs as, or SPACE_UNKNOWN.
uint64_t FreeSpaceMB();
// Size of the whole volume, or SPACE_UNKNOWN.
uint64_t TotalSpaceMB();
