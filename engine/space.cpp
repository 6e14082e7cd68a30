#include "engine/space.h"

#include "engine/test_session.h"
#include "platform/volume.h"

namespace {

bool QueryTarget(VolumeSpace* space) {
  return TestSession.targetPath && QueryVolumeSpace(TestSession.targetPath->c_str(), space);
}

}  // namespace

uint64_t FreeSpaceMB() {
  VolumeSpace space;
  return QueryTarget(&space) ? space.freeBytes >> kMBShift : SPACE_UNKNOWN;
}

uint64_t TotalSpaceMB() {
  VolumeSpace space;
  return QueryTarget(&space) ? space.totalBytes >> kMBShift : SPACE_UNKNOWN;
}

std::optional<uint64_t> TargetVolume() {
  uint64_t identity;
  if (!TestSession.targetPath || !QueryVolumeIdentity(TestSession.targetPath->c_str(), &identity)) {
    return std::nullopt;
  }
  return identity;
}

bool TargetOnChosenVolume() {
  const std::optional<uint64_t> now = TargetVolume();
  return !now || now == TestSession.targetVolume;
}
