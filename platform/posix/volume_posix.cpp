#include <sys/stat.h>
#include <sys/statvfs.h>

#include "platform/text.h"
#include "platform/volume.h"

namespace {
VolumeSpaceQuery testQuery;
}

void SetVolumeSpaceQueryForTesting(VolumeSpaceQuery query) { testQuery = std::move(query); }

bool QueryVolumeSpace(const wchar_t* directory, VolumeSpace* space) {
  if (testQuery) return testQuery(directory, space);
  struct statvfs status;
  if (statvfs(Utf8FromWide(directory).c_str(), &status) != 0) return false;
  space->freeBytes = static_cast<uint64_t>(status.f_bavail) * status.f_frsize;
  space->totalBytes = static_cast<uint64_t>(status.f_blocks) * status.f_frsize;
  return true;
}

bool QueryVolumeIdentity(const wchar_t* directory, uint64_t* identity) {
  struct stat status;
  if (stat(Utf8FromWide(directory).c_str(), &status) != 0) return false;
  *identity = static_cast<uint64_t>(status.st_dev);
  return true;
}
