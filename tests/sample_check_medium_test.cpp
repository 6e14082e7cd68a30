// kestrum-cli on fake media that claim four times what they store (tests/support/fake_medium.h),
// filled with all free space: whether such a medium wraps around, drops what lies past its real
// size or keeps only its latest writes wherever they went, a check while writing has to find the
// loss soon after the real size was written and end writing there, so that the verify pass
// reports what the medium really keeps. On a sound medium the checks cost at most 1 % of the
// data written in reads, counted by the medium itself. Memory: the helper holds up to 2.5 GiB.
#include <gtest/gtest.h>

#include <string>

#include "engine/units.h"
#include "tests/support/cli_json.h"
#include "tests/support/fake_medium.h"

namespace {

using FileSystem = FakeMedium::FileSystem;
using Storage = FakeMedium::Storage;

constexpr uint64_t kRealMB = 1536;
constexpr uint64_t kClaimedMB = 4 * kRealMB;
// How far past the real size writing may go before a loss must have been found.
constexpr uint64_t kLatestLossFoundMB = kRealMB + 2048;
constexpr uint64_t kSectorsPerMB = kSectorsPerBlock;

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

std::string LossLine(uint64_t writtenMB, bool endedWriting) {
  return "写入 " + std::to_string(writtenMB) + " MByte 后, 抽查发现媒介丢失了已写入的数据" +
         (endedWriting ? ", 所以提前结束了写入\n" : "\n");
}

struct Fake {
  FileSystem fileSystem;
  Storage storage;
  const char* name;
};

// How GoogleTest shows and names a parameter.
void PrintTo(const Fake& fake, std::ostream* out) {
  *out << FakeMedium::Name(fake.fileSystem) << "_" << fake.name;
}

class FakeCapacity : public testing::TestWithParam<Fake> {
 protected:
  void SetUp() override {
    if (std::string why = FakeMedium::WhyUnavailable(GetParam().fileSystem); !why.empty()) {
      GTEST_SKIP() << why;
    }
  }
  bool Attach(uint64_t claimedMB, uint64_t realMB) {
    return medium.Attach({.claimedMB = claimedMB,
                          .realMB = realMB,
                          .storage = GetParam().storage,
                          .fileSystem = GetParam().fileSystem});
  }

  FakeMedium medium;
};

}  // namespace

TEST_P(FakeCapacity, WritingEndsSoonAfterTheRealSizeAndTheReportShowsWhatItKeeps) {
  ASSERT_TRUE(Attach(kClaimedMB, kRealMB));
  const CliJsonRun run = RunCliWithJson(KESTRUM_CLI, medium.root(), {});
  const nlohmann::json& r = run.result;
  EXPECT_EQ(run.status, 1) << run.text;
  EXPECT_EQ(r["outcome"], "damaged");
  ASSERT_TRUE(r["lossFoundAtMB"].is_number()) << run.text;
  const uint64_t foundMB = r["lossFoundAtMB"];
  EXPECT_GT(foundMB, kRealMB - 64);  // nothing is lost before the real size is written
  EXPECT_LE(foundMB, kLatestLossFoundMB);
  EXPECT_EQ(r["writtenMB"], foundMB);
  EXPECT_EQ(r["sizeMB"], foundMB);
  EXPECT_EQ(r["verifiedMB"], foundMB);
  EXPECT_EQ(r["readsFromMedium"], true);
  // About the real size is intact: less what the file system keeps there and lost of its own.
  const uint64_t okMB = r["okSectors"].get<uint64_t>() / kSectorsPerMB;
  EXPECT_LE(okMB, kRealMB);
  EXPECT_GE(okMB, kRealMB - 64);
  EXPECT_TRUE(Contains(run.text, LossLine(foundMB, true) + "媒介可能有问题\n")) << run.text;
}

INSTANTIATE_TEST_SUITE_P(
    LosingData, FakeCapacity,
    testing::Values(Fake{FileSystem::kExt4, Storage::kWrap, "wrap"},
                    Fake{FileSystem::kExt4, Storage::kDropReadZeros, "drop"},
                    Fake{FileSystem::kExt4, Storage::kLogLostReadZeros, "log_zeros"},
                    Fake{FileSystem::kExt4, Storage::kLogLostReadNewer, "log_newer"},
                    Fake{FileSystem::kExfat, Storage::kWrap, "wrap"},
                    Fake{FileSystem::kExfat, Storage::kDropReadZeros, "drop"},
                    Fake{FileSystem::kExfat, Storage::kLogLostReadZeros, "log_zeros"},
                    Fake{FileSystem::kExfat, Storage::kLogLostReadNewer, "log_newer"},
                    // NTFS keeps records in the middle of the medium and at its end, past the
                    // real size: on a medium that wraps around or drops them it cannot even be
                    // made. A log-structured medium stores them whatever their address.
                    Fake{FileSystem::kNtfs, Storage::kLogLostReadZeros, "log_zeros"},
                    Fake{FileSystem::kNtfs, Storage::kLogLostReadNewer, "log_newer"}),
    testing::PrintToStringParamName());

using SoundMedium = FakeCapacity;

TEST_P(SoundMedium, PassesAndTheChecksReadAtMostOnePercent) {
  // Two test files and a part of a third: two sample rounds.
  constexpr uint64_t kSoundMB = 2560;
  ASSERT_TRUE(Attach(kSoundMB, kSoundMB));
  const CliJsonRun run = RunCliWithJson(KESTRUM_CLI, medium.root(), {});
  const nlohmann::json& r = run.result;
  EXPECT_EQ(run.status, 0) << run.text;
  EXPECT_EQ(r["lossFoundAtMB"], nullptr);
  EXPECT_GT(r["writeSampleSeconds"].get<double>(), 0.0);
  EXPECT_TRUE(Contains(run.text, "测试已完成,没有发现错误.")) << run.text;
  // All the medium gave besides the test data the verify pass read: the samples and the file
  // system's own records.
  const FakeMedium::Status status = medium.ReadStatus();
  const uint64_t verifiedBytes = r["verifiedMB"].get<uint64_t>() * kBytesPerMB;
  ASSERT_GE(status.bytesRead, verifiedBytes);
  EXPECT_LE((status.bytesRead - verifiedBytes) * 100, r["writtenMB"].get<uint64_t>() * kBytesPerMB)
      << status.bytesRead - verifiedBytes << " bytes read besides the verify pass";
}

INSTANTIATE_TEST_SUITE_P(Sound, SoundMedium,
                         testing::Values(Fake{FileSystem::kExt4, Storage::kWrap, "sound"},
                                         Fake{FileSystem::kExfat, Storage::kWrap, "sound"},
                                         Fake{FileSystem::kNtfs, Storage::kWrap, "sound"}),
                         testing::PrintToStringParamName());

// Asked to write everything, it writes on after the loss, which it tells when found (writing a
// whole test file more leaves the once-a-second display time to) and again above the report.
TEST(WriteAll, WritesOnAfterALossAndStillReportsIt) {
  if (std::string why = FakeMedium::WhyUnavailable(); !why.empty()) GTEST_SKIP() << why;
  FakeMedium medium;
  ASSERT_TRUE(medium.Attach({.claimedMB = kClaimedMB, .realMB = kRealMB}));
  const CliJsonRun run =
      RunCliWithJson(KESTRUM_CLI, medium.root(), {"--write-all", "--size", "3072"});
  const nlohmann::json& r = run.result;
  EXPECT_EQ(run.status, 1) << run.text;
  EXPECT_EQ(r["lossFoundAtMB"], 2048);
  EXPECT_EQ(r["writtenMB"], 3072);
  EXPECT_EQ(r["verifiedMB"], 3072);
  EXPECT_EQ(Occurrences(run.text, LossLine(2048, false)), 2u) << run.text;
}
