#include <gtest/gtest.h>

#include <string>

#include "engine/space.h"
#include "engine/test_size.h"
#include "engine/write_pass.h"
#include "platform/volume.h"
#include "target/prepare_run.h"
#include "tests/support/session.h"

namespace {

constexpr uint64_t MB = 1048576;

// A target on a volume of the given sizes in bytes.
void StandInVolume(uint64_t freeBytes, uint64_t totalBytes) {
  SetVolumeSpaceQueryForTesting([=](const wchar_t*, VolumeSpace* space) {
    *space = {freeBytes, totalBytes};
    return true;
  });
}

void StandInUnreachableVolume() {
  SetVolumeSpaceQueryForTesting([](const wchar_t*, VolumeSpace*) { return false; });
}

std::wstring Warning() {
  const FixedText<kWarningChars> warning = CopyWarningText();
  return warning.Get() ? warning.Get() : L"(none)";
}

class Capacity : public testing::Test {
 protected:
  void SetUp() override { ResetSession(L"/media/usb"); }
  void TearDown() override { ResetSession(); }
};

}  // namespace

TEST_F(Capacity, SpaceQueriesRoundDownToMByte) {
  StandInVolume(1073741823, 7629 * MB + MB - 1);
  EXPECT_EQ(FreeSpaceMB(), 1023u);
  EXPECT_EQ(TotalSpaceMB(), 7629u);
  StandInUnreachableVolume();
  EXPECT_EQ(FreeSpaceMB(), SPACE_UNKNOWN);
  EXPECT_EQ(TotalSpaceMB(), SPACE_UNKNOWN);
  ResetSession();  // no target at all
  EXPECT_EQ(FreeSpaceMB(), SPACE_UNKNOWN);
}

TEST_F(Capacity, RealVolumeAnswers) {
  ResetSession(L"/");
  EXPECT_NE(FreeSpaceMB(), SPACE_UNKNOWN);
  EXPECT_GE(TotalSpaceMB(), FreeSpaceMB());
  ResetSession(L"/no/such/directory");
  EXPECT_EQ(FreeSpaceMB(), SPACE_UNKNOWN);
}

TEST_F(Capacity, WarningStandsExactlyWhenTheSizeDiffersFromTheVolume) {
  StandInVolume(5000 * MB, 7629 * MB);
  SetTestSize(1000);
  EXPECT_EQ(TestSession.sizeMB, 1000u);
  EXPECT_EQ(Warning(), L"警告: 只测试了 1000 MByte(共 7629 MByte)\r\n");
  Language = 1;
  SetTestSize(1000);
  EXPECT_EQ(Warning(), L"警告: 只測試了 1000 MByte(共 7629 MByte)\r\n");
  SetTestSize(7629);
  EXPECT_EQ(Warning(), L"(none)");
  Language = 0;
  SetTestSize(0);  // all free space, until the run is prepared
  EXPECT_EQ(Warning(), L"警告: 只测试了 0 MByte(共 7629 MByte)\r\n");
  StandInUnreachableVolume();
  SetTestSize(1000);
  EXPECT_EQ(TestSession.sizeMB, 1000u);
  EXPECT_EQ(Warning(), L"(none)");
}

TEST_F(Capacity, PrepareRunResolvesAllSpaceAndTheWorkOfTheRun) {
  const struct {
    const char* name;
    uint64_t freeMB, totalMB, sizeMB;
    bool doWrite;
    uint64_t expectedSizeMB, expectedTotalWorkMB;
    bool useAllSpace;
    const wchar_t* warning;
  } cases[] = {
      {"all space, write and verify", 5000, 7629, 0, true, 5000, 10000, true,
       L"警告: 只测试了 5000 MByte(共 7629 MByte)\r\n"},
      {"all space on an empty volume", 7629, 7629, 0, true, 7629, 15258, true, L"(none)"},
      {"verify only", 5000, 7629, 3000, false, 3000, 3000, false,
       L"警告: 只测试了 3000 MByte(共 7629 MByte)\r\n"},
      {"given size", 5000, 7629, 1000, true, 1000, 2000, false,
       L"警告: 只测试了 1000 MByte(共 7629 MByte)\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetSession(L"/media/usb");
    StandInVolume(c.freeMB * MB, c.totalMB * MB);
    SetTestSize(c.sizeMB);
    TestSession.doWrite = c.doWrite;
    TestSession.doVerify = true;
    // What the last run left behind.
    TestSession.errorText.Set(L"old error");
    TestSession.progress.stopRequested = true;
    TestSession.progress.writeStarted = TestSession.progress.verifyStarted = true;
    TestSession.progress.writtenMB = TestSession.progress.verifiedMB = 7;
    TestSession.progress.firstErrorSeen = true;
    TestSession.progress.okSectors = 9;

    PrepareRun();
    const TestProgress p = CopyProgress();
    EXPECT_EQ(TestSession.sizeMB, c.expectedSizeMB);
    EXPECT_EQ(p.progressTotalMB, c.expectedTotalWorkMB);
    EXPECT_EQ(TestSession.useAllSpace, c.useAllSpace);
    EXPECT_EQ(Warning(), c.warning);
    EXPECT_EQ(TestSession.errorText.Get(), nullptr);
    EXPECT_FALSE(p.stopRequested || p.writeStarted || p.verifyStarted || p.firstErrorSeen);
    EXPECT_EQ(p.writtenMB + p.verifiedMB, 0u);
    EXPECT_EQ(p.okSectors, 9u);  // a verify pass resets the results when it begins
  }
}

TEST_F(Capacity, PrepareRunOnAVanishedVolumeLeavesTheUnknownSize) {
  StandInUnreachableVolume();
  SetTestSize(0);
  TestSession.doWrite = TestSession.doVerify = true;
  PrepareRun();
  EXPECT_EQ(TestSession.sizeMB, SPACE_UNKNOWN);
  EXPECT_EQ(Warning(), L"(none)");
}

TEST(EarlyFullTolerance, GrowsByOneMBytePerFullTebibyte) {
  const struct {
    uint64_t sizeMB, toleranceMB;
  } cases[] = {{0, 1}, {30000, 1}, {1048575, 1}, {1048576, 2}, {3000000, 3}};
  for (const auto& c : cases) EXPECT_EQ(EarlyFullToleranceMB(c.sizeMB), c.toleranceMB) << c.sizeMB;
}
