// The fake medium's model without FUSE: how a log-structured medium keeps and loses data, and
// the byte counts the control file reports.
#include "tests/fake_medium/medium_model.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr uint64_t kSector = 512;
constexpr uint64_t kRealSectors = 8;
constexpr uint64_t kClaimedSectors = 32;

// A sector's worth of bytes that tell which write they came from.
std::vector<uint8_t> Marked(uint8_t mark) {
  std::vector<uint8_t> data(kSector);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(mark + i % 7);
  return data;
}

const std::vector<uint8_t> kZeros(kSector, 0);

void WriteAt(MediumModel& medium, uint64_t position, const std::vector<uint8_t>& data) {
  size_t done = 0;
  ASSERT_EQ(medium.Write(position, data.size(), data.data(), &done), 0);
  ASSERT_EQ(done, data.size());
}

std::vector<uint8_t> ReadAt(MediumModel& medium, uint64_t position, size_t size) {
  std::vector<uint8_t> data(size, 0xAA);
  size_t done = 0;
  EXPECT_EQ(medium.Read(position, size, data.data(), &done), 0);
  EXPECT_EQ(done, size);
  return data;
}

// The number after `name` in the status text, or -1.
int64_t StatusValue(const MediumModel& medium, const std::string& name) {
  std::istringstream lines(medium.Status());
  for (std::string word; lines >> word;) {
    int64_t value;
    if (lines >> value && word == name) return value;
  }
  return -1;
}

class LogStructured : public testing::TestWithParam<Storage> {
 protected:
  MediumModel medium_{kClaimedSectors * kSector, kRealSectors* kSector, GetParam()};
  bool lostReadZeros() const { return GetParam() == Storage::kLogLostAsZeros; }
};

TEST_P(LogStructured, SparseWritesWithinTheRealSizeAllReadBackAndTheRestReadsZeros) {
  // Far apart, out of order and past the real size: the addresses do not matter.
  const uint64_t sectors[kRealSectors] = {31, 0, 17, 9, 30, 1, 24, 12};
  for (uint64_t i = 0; i < kRealSectors; ++i) {
    WriteAt(medium_, sectors[i] * kSector, Marked(static_cast<uint8_t>(i + 1)));
  }
  for (uint64_t i = 0; i < kRealSectors; ++i) {
    EXPECT_EQ(ReadAt(medium_, sectors[i] * kSector, kSector), Marked(static_cast<uint8_t>(i + 1)))
        << "sector " << sectors[i];
  }
  EXPECT_EQ(ReadAt(medium_, 2 * kSector, kSector), kZeros) << "never written";
}

TEST_P(LogStructured, WritingPastTheRealSizeLosesTheOldestAndKeepsTheNewest) {
  constexpr uint64_t kLost = 3;
  // One request of whole sectors, as the loop device sends them, then the rest one by one.
  std::vector<uint8_t> first;
  for (uint64_t i = 0; i < 4; ++i) {
    const std::vector<uint8_t> sector = Marked(static_cast<uint8_t>(i + 1));
    first.insert(first.end(), sector.begin(), sector.end());
  }
  WriteAt(medium_, 0, first);
  for (uint64_t i = 4; i < kRealSectors + kLost; ++i) {
    WriteAt(medium_, i * kSector, Marked(static_cast<uint8_t>(i + 1)));
  }
  for (uint64_t i = 0; i < kLost; ++i) {
    // Sector i's place went to sector kRealSectors + i.
    const std::vector<uint8_t> lost = Marked(static_cast<uint8_t>(kRealSectors + i + 1));
    EXPECT_EQ(ReadAt(medium_, i * kSector, kSector), lostReadZeros() ? kZeros : lost)
        << "sector " << i;
  }
  for (uint64_t i = kLost; i < kRealSectors + kLost; ++i) {
    EXPECT_EQ(ReadAt(medium_, i * kSector, kSector), Marked(static_cast<uint8_t>(i + 1)))
        << "sector " << i;
  }
}

TEST_P(LogStructured, RewritingASectorKeepsItFresh) {
  for (uint64_t i = 0; i < 4; ++i) WriteAt(medium_, i * kSector, Marked(1));
  WriteAt(medium_, 0, Marked(2));
  // Nine sectors in eight places: the ring comes round to sector 0's first place, which it no
  // longer needs, and then takes sector 1's, the oldest.
  for (uint64_t i = 4; i < 9; ++i) WriteAt(medium_, i * kSector, Marked(3));
  EXPECT_EQ(ReadAt(medium_, 0, kSector), Marked(2));
  EXPECT_EQ(ReadAt(medium_, 1 * kSector, kSector), lostReadZeros() ? kZeros : Marked(3));
  for (uint64_t i = 2; i < 9; ++i) {
    EXPECT_EQ(ReadAt(medium_, i * kSector, kSector), Marked(i < 4 ? 1 : 3)) << "sector " << i;
  }
}

TEST_P(LogStructured, APartialWriteCarriesTheRestOfTheSectorAlong) {
  WriteAt(medium_, 0, Marked(1));
  WriteAt(medium_, kSector, Marked(2));
  // 100 bytes across the boundary of sectors 0 and 1, and 10 in the middle of a fresh sector.
  WriteAt(medium_, kSector - 60, std::vector<uint8_t>(100, 0xEE));
  WriteAt(medium_, 5 * kSector + 200, std::vector<uint8_t>(10, 0xDD));

  std::vector<uint8_t> expected = Marked(1);
  const std::vector<uint8_t> second = Marked(2);
  expected.insert(expected.end(), second.begin(), second.end());
  std::fill(expected.begin() + kSector - 60, expected.begin() + kSector + 40, 0xEE);
  EXPECT_EQ(ReadAt(medium_, 0, 2 * kSector), expected);
  std::vector<uint8_t> fresh(kSector, 0);
  std::fill(fresh.begin() + 200, fresh.begin() + 210, 0xDD);
  EXPECT_EQ(ReadAt(medium_, 5 * kSector, kSector), fresh);

  // The partial writes moved sectors 0 and 1 to places of their own: the ring comes round to
  // their first places without taking anything from them.
  for (uint64_t i = 0; i < 5; ++i) WriteAt(medium_, (10 + i) * kSector, Marked(9));
  EXPECT_EQ(ReadAt(medium_, 0, 2 * kSector), expected);
}

TEST_P(LogStructured, FaultsAndTheRecordOfWritesWorkAsOnAnyMedium) {
  for (uint64_t i = 0; i < kRealSectors + 2; ++i) {
    WriteAt(medium_, i * kSector, Marked(static_cast<uint8_t>(i + 1)));
  }
  // The record keeps the heads of lost writes too.
  const ZeroedArray<uint8_t>& record = medium_.lastWrites();
  for (uint64_t i = 0; i < kRealSectors + 2; ++i) {
    const std::vector<uint8_t> head = Marked(static_cast<uint8_t>(i + 1));
    EXPECT_TRUE(std::equal(head.begin(), head.begin() + MediumModel::kRecordHeadBytes,
                           record.data() + i * MediumModel::kRecordHeadBytes))
        << "sector " << i;
  }

  ASSERT_EQ(medium_.Command("flip " + std::to_string(9 * kSector + 3) + " 0x81"), "");
  std::vector<uint8_t> flipped = Marked(10);
  flipped[3] ^= 0x81;
  EXPECT_EQ(ReadAt(medium_, 9 * kSector, kSector), flipped);

  ASSERT_EQ(medium_.Command("write-error 0 512"), "");
  size_t done = 1;
  EXPECT_EQ(medium_.Write(100, 1, kZeros.data(), &done), EIO);
  EXPECT_EQ(done, 0u);
}

INSTANTIATE_TEST_SUITE_P(LostData, LogStructured,
                         testing::Values(Storage::kLogLostAsZeros, Storage::kLogLostAsNewer),
                         [](const testing::TestParamInfo<Storage>& info) {
                           return info.param == Storage::kLogLostAsZeros ? "ReadingZeros"
                                                                         : "ReadingNewer";
                         });

TEST(MediumStatus, CountsTheBytesReadAndWrittenBySuccessfulRequests) {
  MediumModel medium(kClaimedSectors * kSector, kRealSectors * kSector, Storage::kWrap);
  WriteAt(medium, 0, std::vector<uint8_t>(3 * kSector, 1));
  ReadAt(medium, 0, kSector);
  // Cut short at the end of the medium: only what was transferred counts.
  std::vector<uint8_t> buffer(kSector);
  size_t done;
  EXPECT_EQ(medium.Read(kClaimedSectors * kSector - 12, kSector, buffer.data(), &done), 0);
  EXPECT_EQ(done, 12u);
  ASSERT_EQ(medium.Command("read-error 0 1024"), "");
  EXPECT_EQ(medium.Read(0, kSector, buffer.data(), &done), EIO);
  EXPECT_EQ(medium.Write(kClaimedSectors * kSector, kSector, buffer.data(), &done), ENOSPC);

  EXPECT_EQ(StatusValue(medium, "written"), int64_t{3 * kSector});
  EXPECT_EQ(StatusValue(medium, "read"), int64_t{kSector + 12});
  EXPECT_EQ(StatusValue(medium, "transferred"), int64_t{4 * kSector + 12});
  EXPECT_EQ(StatusValue(medium, "disconnected"), 0);
}

}  // namespace
