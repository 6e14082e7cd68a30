#include "engine/pattern.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/test_session.h"

namespace {

const Sector& BufferSector(size_t index) { return TestSession.ioBuffer->sectors[index]; }

struct WordCase {
  uint64_t offset;
  unsigned index;
  uint64_t value;
};

}  // namespace

TEST(FillPattern, MatchesTheWorkedExamples) {
  const WordCase cases[] = {
      {0, 0, 0x0000000000000000},
      {0, 1, 0x0000000000000011},
      {0, 2, 0x0000001100000110},
      {0, 3, 0x0000020F00001001},
      {0, 4, 0x00002EE20000F020},
      {0, 63, 0x38DEE6792986C021},
      {512, 0, 0x200},
      {512, 1, 0x0000020000001E11},
      {512, 2, 0x00003C110001C310},
      {512, 3, 0x0005480F001A6E01},
      {512, 4, 0x0069A6E2018C7220},
      {512, 63, 0xE507B1EABC2C9E21},
      {0x40000000, 0, 0x0000000040000000},
      {0x40000000, 1, 0x40000003C0000011},
      {0x40000000, 2, 0x8000004940000110},
      {0x40000000, 3, 0xC000055AC0001001},
      // Above 4 GiB the product needs all 64 bits: 2^32 * (2^32 + 15) wraps to 15 * 2^32.
      {0x100000000, 1, 0x0000000F00000011},
  };
  for (const WordCase& c : cases) {
    FillPattern(c.offset);
    EXPECT_EQ(FromStoredWord(BufferSector(0).words[c.index]), c.value)
        << "offset " << c.offset << " word " << c.index;
  }
}

TEST(FillPattern, StoresWordsLittleEndian) {
  FillPattern(0);
  const uint8_t sector0[24] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                               0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                               0x10, 0x01, 0x00, 0x00, 0x11, 0x00, 0x00, 0x00};
  const uint8_t sector1[24] = {0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                               0x11, 0x1E, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00,
                               0x10, 0xC3, 0x01, 0x00, 0x11, 0x3C, 0x00, 0x00};
  const auto* bytes = reinterpret_cast<const uint8_t*>(TestSession.ioBuffer);
  EXPECT_EQ(memcmp(bytes, sector0, 24), 0);
  EXPECT_EQ(memcmp(bytes + 512, sector1, 24), 0);
}

TEST(FillPattern, EverySectorDependsOnlyOnItsOwnOffset) {
  const uint64_t start = 0x123400000;  // above 4 GiB
  FillPattern(start);
  for (size_t k = 0; k < kSectorsPerBlock; ++k) {
    ASSERT_EQ(FromStoredWord(BufferSector(k).words[0]), start + 512 * k);
  }
  const Sector last = BufferSector(kSectorsPerBlock - 1);
  FillPattern(start + 1048064);
  EXPECT_EQ(memcmp(&last, &BufferSector(0), sizeof(Sector)), 0);
}
