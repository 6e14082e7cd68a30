// The five results of a verify pass as one comparable value, for tests.
#pragma once

#include <cstdint>
#include <ostream>

#include "engine/test_session.h"

struct SectorCounts {
  uint64_t ok, overwritten, slightlyChanged, corrupted, aliased;
  bool operator==(const SectorCounts&) const = default;
};

inline SectorCounts CountsOf(const TestProgress& p) {
  return {p.okSectors, p.overwrittenSectors, p.slightlyChangedSectors, p.corruptedSectors,
          p.aliasedOffsets};
}

inline std::ostream& operator<<(std::ostream& out, const SectorCounts& c) {
  return out << "ok " << c.ok << " overwritten " << c.overwritten << " slightly "
             << c.slightlyChanged << " corrupted " << c.corrupted << " aliased " << c.aliased;
}
