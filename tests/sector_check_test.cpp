#include "engine/sector_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "engine/engine_error.h"
#include "engine/pattern.h"
#include "engine/test_session.h"
#include "platform/page_memory.h"
#include "tests/support/sector_counts.h"
#include "tests/support/session.h"
#include "tests/support/test_data.h"

namespace {

Sector PatternSector(uint64_t offset) {
  FillPattern(offset);
  return TestSession.ioBuffer->sectors[0];
}

void SetWord(Sector& sector, unsigned index, uint64_t value) {
  sector.words[index] = ToStoredWord(value);
}

void FlipWord(Sector& sector, unsigned index, uint64_t mask) {
  SetWord(sector, index, FromStoredWord(sector.words[index]) ^ mask);
}

SectorCounts CurrentCounts() { return CountsOf(CopyProgress()); }

struct SectorCase {
  const char* name;
  uint64_t offset;
  std::function<Sector()> make;
  SectorCounts counts;
  std::optional<FirstError> firstError;
};

class SectorCheck : public testing::Test {
 protected:
  void SetUp() override { ResetSession(); }
};

}  // namespace

TEST_F(SectorCheck, ClassifiesEachKindOfSector) {
  const uint64_t w5 = PatternWordAt(4096, 5);
  const SectorCase cases[] = {
      {"intact", 4096, [] { return PatternSector(4096); }, {1, 0, 0, 0, 0}, std::nullopt},
      {"one bit",
       4096,
       [] {
         Sector s = PatternSector(4096);
         FlipWord(s, 5, 1ull << 63);
         return s;
       },
       {0, 0, 1, 0, 0},
       FirstError{4136, w5, w5 ^ (1ull << 63)}},
      {"seven bits",
       4096,
       [] {
         Sector s = PatternSector(4096);
         FlipWord(s, 5, 0x7F);
         return s;
       },
       {0, 0, 1, 0, 0},
       FirstError{4136, w5, w5 ^ 0x7F}},
      {"eight bits in one word",
       4096,
       [] {
         Sector s = PatternSector(4096);
         FlipWord(s, 5, 0xFF);
         return s;
       },
       {0, 0, 0, 1, 0},
       FirstError{4136, w5, w5 ^ 0xFF}},
      {"eight bits over two words",
       4096,
       [] {
         Sector s = PatternSector(4096);
         FlipWord(s, 5, 0xF);
         FlipWord(s, 63, 0xF0000000);
         return s;
       },
       {0, 0, 0, 1, 0},
       FirstError{4136, w5, w5 ^ 0xF}},
      {"intact pattern of offset 0 at 1 MiB",
       1048576,
       [] { return PatternSector(0); },
       {0, 1, 0, 0, 1},
       FirstError{1048576, 1048576, 0}},
      {"foreign offset beyond any test size",
       0,
       [] { return PatternSector(0x7FFFFFFFFE00); },
       {0, 1, 0, 0, 1},
       FirstError{0, 0, 0x7FFFFFFFFE00}},
      {"word 0 another multiple of 512, one bit",
       4096,
       [] {
         Sector s = PatternSector(4096);
         FlipWord(s, 0, 0x200);
         return s;
       },
       {0, 0, 1, 0, 0},
       FirstError{4096, 4096, 4608}},
      {"word 0 another multiple of 512, eight bits",
       4096,
       [] {
         Sector s = PatternSector(4096);
         FlipWord(s, 0, 0xFF000);
         return s;
       },
       {0, 0, 0, 1, 0},
       FirstError{4096, 4096, 4096 ^ 0xFF000}},
      {"foreign pattern whose word 0 is not a sector offset",
       4096,
       [] {
         Sector s = PatternSector(8192);
         SetWord(s, 0, 8193);
         return s;
       },
       {0, 0, 0, 1, 0},
       FirstError{4096, 4096, 8193}},
      {"all zero at offset 0", 0, [] { return Sector{}; }, {0, 0, 0, 1, 0}, FirstError{8, 17, 0}},
  };
  for (const SectorCase& c : cases) {
    SCOPED_TRACE(c.name);
    ResetSession();
    const Sector sector = c.make();
    CheckSector(&sector, c.offset);
    EXPECT_EQ(CurrentCounts(), c.counts);
    const TestProgress p = CopyProgress();
    ASSERT_EQ(p.firstErrorSeen, c.firstError.has_value());
    if (c.firstError) {
      EXPECT_EQ(p.firstError.offset, c.firstError->offset);
      EXPECT_EQ(p.firstError.expected, c.firstError->expected);
      EXPECT_EQ(p.firstError.found, c.firstError->found);
    }
  }
}

TEST_F(SectorCheck, CountsEveryDifferingBit) {
  const Sector zero{};
  EXPECT_EQ(CountBitErrors(&zero, 0, 0), 1802);
  Sector s = PatternSector(1 << 20);
  FlipWord(s, 0, 0xFFFFFFFFFFFFFFFF);
  FlipWord(s, 63, 0x8000000000000001);
  EXPECT_EQ(CountBitErrors(&s, 1 << 20, 1 << 20), 66);
}

TEST_F(SectorCheck, CountsDistinctForeignOffsetsNotSectors) {
  const Sector copyOf0 = PatternSector(0);
  const Sector copyOf512 = PatternSector(512);
  CheckSector(&copyOf0, 1 << 20);
  CheckSector(&copyOf0, (1 << 20) + 512);
  EXPECT_EQ(CurrentCounts(), (SectorCounts{0, 2, 0, 0, 1}));
  CheckSector(&copyOf512, (1 << 20) + 1024);
  EXPECT_EQ(CurrentCounts(), (SectorCounts{0, 3, 0, 0, 2}));
  // The first error stays the first one found.
  EXPECT_EQ(CopyProgress().firstError.offset, 1u << 20);
}

TEST_F(SectorCheck, ChecksEverySectorOfABlockInOrder) {
  const uint64_t block = 5 * kBytesPerMB;
  FillPattern(block);
  Sector* sectors = TestSession.ioBuffer->sectors;
  FlipWord(sectors[2047], 9, 1);    // slightly changed, last sector
  FlipWord(sectors[7], 3, 0xFFFF);  // corrupted, the first damage in the block
  sectors[100] = sectors[99];       // overwritten by its neighbour
  CheckBlock(block);
  EXPECT_EQ(CurrentCounts(), (SectorCounts{2045, 1, 1, 1, 1}));
  EXPECT_EQ(CopyProgress().firstError.offset, block + 7 * 512 + 3 * 8);
}

TEST_F(SectorCheck, MemoryForAliasesRunningOutEndsTheRunKeepingTheCounts) {
  // Small tables can be had, larger ones cannot: some table fills up within a few blocks of
  // sectors that all hold the data of other offsets.
  LimitAllocationsForTesting(256);
  bool ended = false;
  for (uint64_t block = 0; block < 64 && !ended; ++block) {
    FillPattern(block * kBytesPerMB);
    try {
      CheckBlock((block + 100) * kBytesPerMB);
    } catch (const WorkerExit&) {
      ended = true;
    }
  }
  LimitAllocationsForTesting(0);
  ASSERT_TRUE(ended);
  const SectorCounts counts = CurrentCounts();
  EXPECT_GT(counts.overwritten, 0u);
  EXPECT_EQ(counts.aliased, counts.overwritten);  // every foreign offset counted was distinct
  EXPECT_EQ(counts.aliased, TestSession.aliasMap.Count());
  EXPECT_EQ(std::wstring(TestSession.errorText.Get()), std::wstring(kOutOfMemoryText.language0));
}
