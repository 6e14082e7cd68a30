// The five results of a verify pass as one comparable value, for tests.
#pragma once

#include <gtest/gtest.h>

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

// A verify pass of `sizeMB` MByte that found every sector intact.
inline void ExpectEverySectorOk(const TestProgress& p, uint64_t sizeMB) {
  EXPECT_TRUE(p.verifyStarted);
  EXPECT_EQ(p.verifiedMB, sizeMB);
  EXPECT_EQ(CountsOf(p), (SectorCounts{sizeMB * kSectorsPerBlock, 0, 0, 0, 0}));
  EXPECT_FALSE(p.firstErrorSeen);
}
