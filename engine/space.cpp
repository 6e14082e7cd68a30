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
