// Free space and total size, in MByte, of the volume that holds the target directory.
// Any thread; the answer comes from the system each time.
#pragma once

#include <cstdint>
#include <optional>

inline constexpr uint64_t SPACE_UNKNOWN = 0xFFFFFFFFFFFFFFFF;  // the query failed

// Free space available to the user the program runs as, or SPACE_UNKNOWN.
uint64_t FreeSpaceMB();
// Size of the whole volume, or SPACE_UNKNOWN.
uint64_t TotalSpaceMB();

// The identity of the file system that holds the target now, or none when it cannot be reached.
std::optional<uint64_t> TargetVolume();

// False when the target can be reached but lies on another file system than when it was
// chosen: the medium was removed (its mount point left behind) or exchanged.
bool TargetOnChosenVolume();
