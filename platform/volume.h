// Space of the volume that holds a directory. Any thread.
#pragma once

#include <cstdint>
#include <functional>

struct VolumeSpace {
  uint64_t freeBytes;   // available to the user the program runs as (quotas and reserves count)
  uint64_t totalBytes;  // size of the whole volume
};

// Asks the system about the volume holding `directory`. Returns false when it cannot be queried.
bool QueryVolumeSpace(const wchar_t* directory, VolumeSpace* space);

// The identity of the file system that holds `directory`: it changes when the medium is
// removed and its mount point is left as a directory of another file system. Returns false
// when the directory cannot be reached.
bool QueryVolumeIdentity(const wchar_t* directory, uint64_t* identity);

// Tests stand in volumes of any size. An empty function restores the system's answer.
using VolumeSpaceQuery = std::function<bool(const wchar_t* directory, VolumeSpace* space)>;
void SetVolumeSpaceQueryForTesting(VolumeSpaceQuery query);
