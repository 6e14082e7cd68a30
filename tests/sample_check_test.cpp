#include "engine/sample_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "engine/test_file_name.h"
#include "engine/test_session.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/session.h"
#include "tests/support/test_data.h"

namespace {

constexpr uint64_t GB = 1073741824;
constexpr uint64_t kProbe = kSampleProbeBytes;

std::vector<uint64_t> Offsets(const SamplePlan& plan) {
  return std::vector<uint64_t>(plan.offsets, plan.offsets + plan.count);
}

// Whether a probe lies wholly within [start, end).
bool ProbeWithin(const SamplePlan& plan, uint64_t start, uint64_t end) {
  return std::any_of(plan.offsets, plan.offsets + plan.count,
                     [&](uint64_t offset) { return offset >= start && offset + kProbe <= end; });
}

}  // namespace

TEST(PlanSample, StaysWithinTheDataAndOnePercentOfIt) {
  for (uint64_t written : {1 * GB, 2 * GB, 37 * GB, 1000 * GB, 16384 * GB, (uint64_t{1} << 62)}) {
    for (uint64_t round : {1, 2, 1000}) {
      SCOPED_TRACE(testing::Message() << written << " bytes written, round " << round);
      const std::vector<uint64_t> offsets = Offsets(PlanSample(written, round));
      EXPECT_TRUE(std::is_sorted(offsets.begin(), offsets.end()));
      EXPECT_EQ(std::adjacent_find(offsets.begin(), offsets.end()), offsets.end());
      EXPECT_LE(offsets.size() * kProbe * 100, written);
      for (uint64_t offset : offsets) {
        EXPECT_EQ(offset % kProbe, 0u);
        EXPECT_LE(offset + kProbe, written);
      }
    }
  }
}

// Data lost from either end of what was written, by a medium that wraps around, drops writes or
// keeps only its latest writes, is found once it covers two probes' worth; spread probes find a
// loss in the middle, at new places every round.
TEST(PlanSample, FindsALossGrowingFromEitherEnd) {
  const uint64_t written = 3000 * GB;
  const SamplePlan plan = PlanSample(written, 7);
  for (uint64_t lost : {2 * kProbe, 3 * kProbe, 100 * kProbe, GB / 2, 1500 * GB}) {
    SCOPED_TRACE(testing::Message() << lost << " bytes lost");
    EXPECT_TRUE(ProbeWithin(plan, 0, lost));
    EXPECT_TRUE(ProbeWithin(plan, written - lost, written));
  }
  EXPECT_NE(Offsets(PlanSample(written, 1)), Offsets(PlanSample(written, 2)));
  // Every 100 GByte of the middle is probed by one round or another.
  for (uint64_t start = 0; start < written; start += 100 * GB) {
    bool probed = false;
    for (uint64_t round = 1; round <= 8 && !probed; ++round) {
      probed = ProbeWithin(PlanSample(written, round), start, start + 100 * GB);
    }
    EXPECT_TRUE(probed) << "nothing probed at " << start;
  }
}

namespace {

// Runs of two test files and one MByte more, so that the second sample round reads the first
// file again after the second is written.
constexpr uint64_t kRunMB = 2049;
const uint8_t kZeros[4096] = {};

// Once 2.kst exists (after the first sample round read 1.kst intact, before the second), zeros
// the first 4 KiB of 1.kst or, with `remove`, takes 1.kst away.
void DamageFirstFileDuringSecond(const ScratchDir& dir, bool remove = false) {
  const std::string second = dir.File("2.kst");
  while (!std::filesystem::exists(second)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (remove) {
    std::filesystem::remove(dir.File("1.kst"));
  } else {
    PatchFile(dir.File("1.kst"), 0, kZeros, sizeof kZeros);
  }
}

}  // namespace

TEST(SampleCheck, ALossFoundWhileWritingEndsTheWritePassAtTheDataWritten) {
  ScratchDir dir;
  ResetSession(dir.widePath());
  const RunOutcome run =
      RunWithWorker({.sizeMB = kRunMB}, [&dir] { DamageFirstFileDuringSecond(dir); });
  const TestProgress& p = run.progress;
  EXPECT_EQ(run.errorText, std::nullopt);
  EXPECT_TRUE(p.lossFound);
  EXPECT_EQ(p.lossFoundAtMB, 2048u);
  EXPECT_EQ(p.writtenMB, 2048u);
  EXPECT_EQ(run.sizeMB, 2048u);
  EXPECT_EQ(p.progressTotalMB, 4096u);
  EXPECT_FALSE(std::filesystem::exists(dir.File("3.kst")));
  // The verify pass counts the damage itself; the first round's time is not writing time.
  EXPECT_EQ(p.verifiedMB, 2048u);
  EXPECT_EQ(p.corruptedSectors, 8u);
  EXPECT_EQ(p.okSectors, 2048u * 2048 - 8);
  EXPECT_TRUE(p.DamageFound());
  EXPECT_GT(p.writeSampleTicks, 0);
  EXPECT_LT(p.WriteSpeedStartTime(), p.writeNowTime);
  ResetSession();
}

TEST(SampleCheck, ASampleThatCannotBeReadIsALoss) {
  ScratchDir dir;
  ResetSession(dir.widePath());
  const RunOutcome run =
      RunWithWorker({.sizeMB = kRunMB}, [&dir] { DamageFirstFileDuringSecond(dir, true); });
  EXPECT_TRUE(run.progress.lossFound);
  EXPECT_EQ(run.progress.lossFoundAtMB, 2048u);
  EXPECT_EQ(run.sizeMB, 2048u);
  ASSERT_TRUE(run.errorText);
  EXPECT_EQ(run.errorText->rfind(L"错误: 预期 2048 MByte 的测试数据\r\n只找到了 0 \r\n", 0), 0u)
      << *run.errorText;
  ResetSession();
}

TEST(SampleCheck, WritingGoesOnAfterALossWhenAskedTo) {
  ScratchDir dir;
  ResetSession(dir.widePath());
  TestSession.writeOnAfterLoss = true;
  const RunOutcome run =
      RunWithWorker({.sizeMB = kRunMB}, [&dir] { DamageFirstFileDuringSecond(dir); });
  EXPECT_TRUE(run.progress.lossFound);
  EXPECT_EQ(run.progress.lossFoundAtMB, 2048u);
  EXPECT_EQ(run.progress.writtenMB, kRunMB);
  EXPECT_EQ(run.progress.verifiedMB, kRunMB);
  EXPECT_EQ(run.progress.corruptedSectors, 8u);
  ResetSession();
}

// On a memory file system no sample could prove anything: none is taken, so the damage is left
// to the verify pass.
TEST(SampleCheck, NoSampleIsTakenWhereMemoryMightAnswer) {
  if (std::string why = WhyNoMemoryFileSystem(); !why.empty()) GTEST_SKIP() << why;
  ScratchDir dir(kMemoryFileSystem);
  ResetSession(dir.widePath());
  const RunOutcome run =
      RunWithWorker({.sizeMB = kRunMB}, [&dir] { DamageFirstFileDuringSecond(dir); });
  EXPECT_FALSE(run.progress.lossFound);
  EXPECT_EQ(run.progress.writtenMB, kRunMB);
  EXPECT_EQ(run.progress.corruptedSectors, 8u);
  EXPECT_FALSE(run.progress.readsFromMedium);
  ResetSession();
}
