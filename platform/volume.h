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

// Tests stand in volumes of any size. An empty function restores the system's answer.
using VolumeSpaceQuery = std::function<bool(const wchar_t* directory, VolumeSpace* space)>;
void SetVolumeSpaceQueryForTesting(VolumeSpaceQuery query);
