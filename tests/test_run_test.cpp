#include "engine/test_run.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/space.h"
#include "engine/test_session.h"
#include "engine/test_size.h"
#include "platform/text.h"
#include "platform/volume.h"
#include "target/prepare_run.h"
#include "target/test_files.h"
#include "tests/support/notify_recorder.h"
#include "tests/support/scratch_target.h"
#include "tests/support/session.h"
#include "tests/support/test_data.h"

namespace {

constexpr uint64_t MB = 1048576;
constexpr uint64_t GB = 1073741824;

class TestRun : public ScratchTargetTest {
 protected:
  void ExpectOneNotification(const RunOutcome& outcome) {
    EXPECT_EQ(outcome.messages, std::vector<unsigned>{WM_TEST_NOTIFY});
    EXPECT_FALSE(outcome.progress.writing);
    EXPECT_FALSE(outcome.progress.verifying);
  }

  // Waits, polling copies of the progress as the progress dialog does, until `done` holds.
  // Every copy must pair each amount with the time at which it was reached.
  void WaitUntil(const std::function<bool(const TestProgress&)>& done) {
    TestProgress last = CopyProgress();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    while (!done(last)) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the run never got there";
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      const TestProgress now = CopyProgress();
      if (now.writtenMB > last.writtenMB) {
        EXPECT_GT(now.writeNowTime, last.writeNowTime);
      }
      if (now.verifiedMB > last.verifiedMB) {
        EXPECT_GT(now.verifyNowTime, last.verifyNowTime);
      }
      last = now;
    }
  }
};

}  // namespace

TEST_F(TestRun, WriteAndVerifyAFewMByte) {
  const RunOutcome outcome = RunWithWorker({.sizeMB = 4});
  ExpectOneNotification(outcome);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_EQ(outcome.errorText, std::nullopt);
  const TestProgress& p = outcome.progress;
  EXPECT_FALSE(p.stopRequested);
  EXPECT_TRUE(p.writeStarted && p.verifyStarted);
  EXPECT_EQ(p.writtenMB, 4u);
  EXPECT_EQ(p.verifiedMB, 4u);
  EXPECT_EQ(p.progressTotalMB, 8u);
  EXPECT_EQ(p.okSectors, 4u * 2048);
  EXPECT_EQ(p.overwrittenSectors + p.slightlyChangedSectors + p.corruptedSectors, 0u);
  EXPECT_FALSE(p.firstErrorSeen);
  EXPECT_LE(p.writeStartTime, p.writeNowTime);
  EXPECT_LE(p.writeNowTime, p.verifyStartTime);
  EXPECT_LE(p.verifyStartTime, p.verifyNowTime);
  EXPECT_EQ(FileSize(dir.File("1.kst")), 4 * MB);

  // The files just written are a complete set that a verify-only run accepts.
  ASSERT_EQ(MeasureTestFiles(), 4u);
  const RunOutcome again = RunWithWorker({.doWrite = false, .sizeMB = MeasureTestFiles()});
  ExpectOneNotification(again);
  EXPECT_EQ(again.errorText, std::nullopt);
  EXPECT_FALSE(again.progress.writeStarted);
  EXPECT_EQ(again.progress.progressTotalMB, 4u);
  EXPECT_EQ(again.progress.okSectors, 4u * 2048);
}

TEST_F(TestRun, ARunCrossesFromOneTestFileIntoTheNext) {
  const RunOutcome outcome = RunWithWorker({.sizeMB = 1025});
  ExpectOneNotification(outcome);
  EXPECT_EQ(outcome.errorText, std::nullopt);
  EXPECT_EQ(outcome.progress.okSectors, 1025u * 2048);
  EXPECT_FALSE(outcome.progress.firstErrorSeen);
  EXPECT_EQ(FileSize(dir.File("1.kst")), GB);
  EXPECT_EQ(FileSize(dir.File("2.kst")), MB);
  EXPECT_FALSE(std::filesystem::exists(dir.File("3.kst")));
  EXPECT_EQ(ReadWord(dir.File("2.kst"), 0), 0x0000000040000000u);
  EXPECT_EQ(ReadWord(dir.File("2.kst"), 8), 0x40000003C0000011u);
  EXPECT_EQ(MeasureTestFiles(), 1025u);
}

TEST_F(TestRun, StopDuringTheWritePassEndsTheRunWithoutVerifying) {
  const RunOutcome outcome = RunWithWorker({.sizeMB = 4096}, [&] {
    WaitUntil([](const TestProgress& p) { return p.writtenMB >= 2; });
    TestSession.progress.stopRequested = true;
  });
  ExpectOneNotification(outcome);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_EQ(outcome.errorText, std::nullopt);
  EXPECT_TRUE(outcome.progress.stopRequested);
  EXPECT_FALSE(outcome.progress.verifyStarted);
  // Everything counted is in the file, and nothing more: at most the block in flight was added.
  EXPECT_GE(outcome.progress.writtenMB, 2u);
  EXPECT_LT(outcome.progress.writtenMB, 4096u);
  EXPECT_EQ(FileSize(dir.File("1.kst")), outcome.progress.writtenMB * MB);
}

TEST_F(TestRun, EndlessVerifyRepeatsUntilStopped) {
  WritePatternFile(dir.File("1.kst"), 0, 2);
  const RunOutcome outcome = RunWithWorker({.doWrite = false, .endless = true, .sizeMB = 2}, [&] {
    const int64_t firstPassStart = [&] {
      TestProgress p;
      WaitUntil([&](const TestProgress& now) {
        p = now;
        return now.verifyStarted;
      });
      return p.verifyStartTime;
    }();
    // A later pass has begun when the start time moves on.
    WaitUntil([&](const TestProgress& p) { return p.verifyStartTime != firstPassStart; });
    TestSession.progress.stopRequested = true;
  });
  ExpectOneNotification(outcome);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_EQ(outcome.errorText, std::nullopt);
  EXPECT_TRUE(outcome.progress.stopRequested);
  // The counts describe the latest pass alone, as far as it got.
  EXPECT_EQ(outcome.progress.okSectors, outcome.progress.verifiedMB * 2048);
  EXPECT_FALSE(outcome.progress.firstErrorSeen);
}

TEST_F(TestRun, EndlessVerifyEndsAfterThePassThatFindsAWrongBit) {
  WritePatternFile(dir.File("1.kst"), 0, 2);
  FlipBits(dir.File("1.kst"), MB + 100, 0x04);
  const RunOutcome outcome = RunWithWorker({.doWrite = false, .endless = true, .sizeMB = 2});
  ExpectOneNotification(outcome);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_EQ(outcome.errorText, std::nullopt);
  EXPECT_FALSE(outcome.progress.stopRequested);
  EXPECT_TRUE(outcome.progress.firstErrorSeen);
  EXPECT_EQ(outcome.progress.firstError.offset, MB + 96);
  EXPECT_EQ(outcome.progress.verifiedMB, 2u);
  EXPECT_EQ(outcome.progress.slightlyChangedSectors, 1u);
}

TEST_F(TestRun, AnErrorInTheWritePassEndsTheRunWithoutVerifying) {
  MakeSparseFile(dir.File("1.kst"), 0);
  const RunOutcome outcome = RunWithWorker({.sizeMB = 2});
  ExpectOneNotification(outcome);
  EXPECT_EQ(outcome.exitCode, 1u);
  EXPECT_EQ(outcome.errorText, L"无法创建文件 '" + dir.widePath() + L"/1.kst'\r\n(" +
                                   SystemText(EEXIST) + L" Code 17)\r\n");
  EXPECT_TRUE(outcome.progress.writeStarted);
  EXPECT_FALSE(outcome.progress.verifyStarted);
}

TEST_F(TestRun, AVolumeGoneBeforeTheStartEndsTheRunBeforeAnyPass) {
  SetVolumeSpaceQueryForTesting([](const wchar_t*, VolumeSpace*) { return false; });
  const RunOutcome outcome = RunWithWorker({.sizeMB = 0});
  ExpectOneNotification(outcome);
  EXPECT_EQ(outcome.sizeMB, SPACE_UNKNOWN);
  EXPECT_EQ(outcome.exitCode, 1u);
  EXPECT_EQ(outcome.errorText, L"无法查询目标路径的可用空间\r\n媒介可能已被移除\r\n");
  EXPECT_FALSE(outcome.progress.writeStarted);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(TestRun, AStopBeforeTheWorkerLooksSkipsEveryPass) {
  WritePatternFile(dir.File("1.kst"), 0, 1);
  SetTestSize(1);
  TestSession.doVerify = true;
  // Prepared and then stopped at once, before the worker begins.
  PrepareRun();
  TestSession.progress.stopRequested = true;
  NotifyRecorder recorder;
  EXPECT_EQ(RunTest(&recorder), 0u);
  EXPECT_EQ(recorder.Messages(), std::vector<unsigned>{WM_TEST_NOTIFY});
  EXPECT_FALSE(CopyProgress().verifyStarted);
}

TEST_F(TestRun, RunsInADirectoryWhoseNameHasBlanksNonAsciiALineBreakAndBytesNotUtf8) {
  const std::string target = dir.File("U盘 测试\n\xff\xfe");
  std::filesystem::create_directory(target);
  ResetSession(WideFromUtf8(target));
  const RunOutcome outcome = RunWithWorker({.sizeMB = 2});
  EXPECT_EQ(outcome.errorText, std::nullopt);
  EXPECT_EQ(outcome.progress.okSectors, 2u * 2048);
  EXPECT_EQ(FileSize(target + "/1.kst"), 2 * MB);
}
