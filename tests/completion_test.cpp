#include "results/completion.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "engine/engine_error.h"
#include "engine/test_session.h"
#include "platform/memory_dialog.h"
#include "platform/volume.h"
#include "resources/resource_ids.h"
#include "results/progress_report.h"
#include "tests/support/scratch_target.h"
#include "tests/support/test_data.h"

namespace {

constexpr uint64_t MB = 1048576;
constexpr unsigned kTimerId = 1;

const std::wstring kWarning = L"警告: 只测试了 2 MByte(共 15258 MByte)\r\n";

class Completion : public ScratchTargetTest {
 protected:
  void SetUp() override {
    ScratchTargetTest::SetUp();
    SetVolumeSpaceQueryForTesting([](const wchar_t*, VolumeSpace* space) {
      *space = {7629 * MB, 15258 * MB};
      return true;
    });
    dialog.timerId = kTimerId;
  }

  // Runs a test through the worker, then fixes the pass times so that the speeds read
  // writtenMB / 2 s and verifiedMB / 1 s, lets `change` change more, and handles the
  // notification as the dialog does.
  void RunAndComplete(const RunOptions& options,
                      const std::function<void(TestProgress&)>& change = {}) {
    const RunOutcome outcome = RunWithWorker(options);
    ASSERT_EQ(outcome.messages.size(), 1u);
    TestProgress& p = TestSession.progress;
    p.writeStartTime = 0;
    p.writeNowTime = 2000000000;
    p.verifyStartTime = 3000000000;
    p.verifyNowTime = 4000000000;
    if (change) change(p);
    EXPECT_EQ(OnTestNotify(dialog), 0);
  }

  std::wstring ResultText() { return controls.controls[IDC_RESULT_TEXT].text; }

  void ExpectEnded(bool problem) {
    EXPECT_TRUE(dialog.finished);
    EXPECT_EQ(controls.killedTimers, std::vector<unsigned>{kTimerId});
    EXPECT_EQ(controls.controls[IDCANCEL].text, L"OK");
    EXPECT_TRUE(controls.endedWith.empty());
    EXPECT_EQ(controls.controls[IDC_PROGRESS_BAR].progressState,
              problem ? ProgressState::kError : ProgressState::kNormal);
    EXPECT_EQ(dialog.reportShown, problem);
  }

  MemoryDialog controls;
  ProgressDialogState dialog{controls};
};

}  // namespace

TEST_F(Completion, AWriteAndVerifyRunWithoutDamage) {
  RunAndComplete({.sizeMB = 2});
  EXPECT_EQ(ResultText(), kWarning +
                              L"测试已完成,没有发现错误.\r\n"
                              L"现在可以删除测试用文件 *.kst 或再次进行测试\r\n"
                              L"写入速度: 1,00 MByte/s\r\n"
                              L"读取速度: 2,00 MByte/s\r\n"
                              L"Kestrum  V1.4\r\n");
  ExpectEnded(false);
  EXPECT_EQ(controls.controls[IDC_PROGRESS_BAR].progressPosition, 100);
  EXPECT_EQ(controls.controls[IDC_WRITE_AMOUNT].text, L"2 MByte");
  EXPECT_EQ(controls.controls[IDC_VERIFY_TIME].text, L"1 s");
}

TEST_F(Completion, AWriteAndVerifyRunInTheSecondLanguage) {
  Language = 1;
  RunAndComplete({.sizeMB = 2});
  EXPECT_EQ(ResultText(),
            L"警告: 只測試了 2 MByte(共 15258 MByte)\r\n"
            L"測試已完成,沒有發現錯誤.\r\n"
            L"現在可以删除測試用檔案 *.kst 或再次進行測試\r\n"
            L"寫入速度: 1.00 MByte/s\r\n"
            L"讀取速度: 2.00 MByte/s\r\n"
            L"Kestrum  V1.4\r\n");
  ExpectEnded(false);
}

TEST_F(Completion, AVerifyOnlyRunWithoutDamage) {
  WritePatternFile(dir.File("1.kst"), 0, 2);
  RunAndComplete({.doWrite = false, .sizeMB = 2});
  EXPECT_EQ(ResultText(), kWarning +
                              L"测试已完成,没有发现错误\r\n"
                              L"读取速度: 2,00 MByte/s\r\n"
                              L"Kestrum  V1.4\r\n");
  ExpectEnded(false);
  EXPECT_EQ(controls.controls.count(IDC_WRITE_AMOUNT), 0u);
}

TEST_F(Completion, ACleanRunThatTheMediumMayNotHaveAnsweredSaysSoPlainly) {
  const struct {
    const char* name;
    bool write;
    int language;
    std::wstring text;
  } cases[] = {
      {"write and verify", true, 0,
       L"测试已完成,没有发现错误, 但读取的数据可能来自系统的内存而不是媒介, "
       L"所以此结果不能证明媒介完好.\r\n"
       L"请保留测试用文件 *.kst, 拔出并重新插入媒介, 然后再只进行一次测试\r\n"
       L"写入速度: 1,00 MByte/s\r\n"},
      {"verify only", false, 0,
       L"测试已完成,没有发现错误, 但读取的数据可能来自系统的内存而不是媒介.\r\n"
       L"只有在写入测试用文件后拔出并重新插入过媒介, 此结果才可靠\r\n"},
      {"write and verify, second language", true, 1,
       L"測試已完成,沒有發現錯誤, 但讀取的數據可能來自系統的記憶體而不是媒介, "
       L"所以此結果不能證明媒介完好.\r\n"
       L"請保留測試用檔案 *.kst, 拔出並重新插入媒介, 然後再只進行一次測試\r\n"
       L"寫入速度: 1.00 MByte/s\r\n"},
      {"verify only, second language", false, 1,
       L"測試已完成,沒有發現錯誤, 但讀取的數據可能來自系統的記憶體而不是媒介.\r\n"
       L"只有在寫入測試用檔案後拔出並重新插入過媒介, 此結果才可靠\r\n"},
  };
  const std::wstring warning = L"警告: 只测试了 2 MByte(共 7629 MByte)\r\n";
  SetWarningText(warning.c_str());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Language = c.language;
    TestProgress& p = TestSession.progress;
    p = TestProgress();
    p.writeStarted = c.write;
    p.writtenMB = 2;
    p.writeNowTime = 2000000000;
    p.verifyStarted = true;
    p.verifiedMB = p.okSectors = 2;
    p.verifyStartTime = 3000000000;
    p.verifyNowTime = 4000000000;
    p.readsFromMedium = false;
    MemoryDialog box;
    ProgressDialogState state{box};
    OnTestNotify(state);
    const std::wstring readSpeed =
        c.language == 1 ? L"讀取速度: 2.00 MByte/s\r\n" : L"读取速度: 2,00 MByte/s\r\n";
    EXPECT_EQ(box.controls[IDC_RESULT_TEXT].text,
              warning + c.text + readSpeed + L"Kestrum  V1.4\r\n");
    EXPECT_EQ(box.controls[IDC_PROGRESS_BAR].progressState, ProgressState::kNormal);
  }

  // Damage seen is damage, whatever answered the reads.
  Language = 0;
  TestSession.progress.firstErrorSeen = true;
  OnTestNotify(dialog);
  EXPECT_EQ(ResultText().rfind(warning + L"媒介可能有问题\r\n", 0), 0u) << ResultText();
  EXPECT_EQ(ResultText().find(L"内存而不是媒介"), std::wstring::npos);
  ExpectEnded(true);
}

TEST_F(Completion, ARunThatFoundDamageShowsTheReport) {
  WritePatternFile(dir.File("1.kst"), 0, 2);
  FlipBits(dir.File("1.kst"), MB + 8, 0x01);
  RunAndComplete({.doWrite = false, .sizeMB = 2});
  EXPECT_EQ(ResultText(), kWarning +
                              L"媒介可能有问题\r\n"
                              L"1,9 MByte OK (4095 扇区en)\r\n"
                              L"0,5 KByte 数据丢失 (1 扇区)\r\n"
                              L"详情:0 KByte 覆盖 (0 扇区en)\r\n"
                              L"0,5 KByte 略有变化 (< 8 位/扇区, 1 扇区)\r\n"
                              L"0 KByte 已损坏 (0 扇区en)\r\n"
                              L"0 KByte 别名内存 (0 扇区en)\r\n"
                              L"第一个错误位于偏移: 0x0000000000100008\r\n"
                              L"预期: 0x0010000000f00011\r\n"
                              L"找到: 0x0010000000f00010\r\n"
                              L"Kestrum  V1.4\r\n"
                              L"读取速度: 2,00 MByte/s\r\n"
                              L"Kestrum  V1.4\r\n");
  ExpectEnded(true);
}

// A medium that failed a sample read while writing and then read back whole: what it lost once
// it may lose again, so the run never reads as clean.
TEST_F(Completion, ALossFoundWhileWritingIsNeverCompletedAsClean) {
  RunAndComplete({.sizeMB = 2}, [](TestProgress& p) {
    p.lossFound = true;
    p.lossFoundAtMB = 1024;
    p.writeSampleTicks = 1000000000;  // the write speed leaves the sample checks out
  });
  EXPECT_EQ(ResultText(), kWarning +
                              L"写入 1024 MByte 后, 抽查发现媒介丢失了已写入的数据, "
                              L"所以提前结束了写入\r\n"
                              L"写入速度: 2,00 MByte/s\r\n"
                              L"读取速度: 2,00 MByte/s\r\n"
                              L"Kestrum  V1.4\r\n");
  ExpectEnded(true);
}

TEST_F(Completion, ARunEndedByAnErrorShowsTheError) {
  MakeSparseFile(dir.File("1.kst"), 0);
  RunAndComplete({.sizeMB = 2});
  EXPECT_EQ(ResultText(), L"无法创建文件 '" + dir.widePath() + L"/1.kst'\r\n(" +
                              SystemText(EEXIST) + L" Code 17)\r\n" + kWarning +
                              L"写入速度: 0,00 KByte/s\r\n"
                              L"Kestrum  V1.4\r\n");
  ExpectEnded(true);
}

TEST_F(Completion, TheDisplayFollowsARunningTest) {
  // The timer's updates on this thread while the worker writes and verifies.
  const RunOutcome outcome = RunWithWorker({.sizeMB = 64}, [&] {
    for (TestProgress p; !(p.verifyStarted && !p.verifying); p = CopyProgress()) {
      UpdateProgress(dialog, nullptr);
      EXPECT_LE(controls.controls[IDC_PROGRESS_BAR].progressPosition, 100);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  EXPECT_EQ(outcome.errorText, std::nullopt);
  OnTestNotify(dialog);
  EXPECT_EQ(controls.controls[IDC_WRITE_AMOUNT].text, L"64 MByte");
  EXPECT_EQ(controls.controls[IDC_VERIFY_AMOUNT].text, L"64 MByte");
  EXPECT_EQ(controls.controls[IDC_PROGRESS_BAR].progressPosition, 100);
  ExpectEnded(false);
}

TEST_F(Completion, AStoppedRunClosesTheDialog) {
  const RunOutcome outcome =
      RunWithWorker({.sizeMB = 4096}, [] { TestSession.progress.stopRequested = true; });
  ASSERT_TRUE(outcome.progress.stopRequested);
  OnTestNotify(dialog);
  EXPECT_TRUE(dialog.finished);
  EXPECT_EQ(controls.endedWith, std::vector<int>{IDCANCEL});
}

TEST_F(Completion, CopyPutsExactlyTheResultBoxOnTheClipboard) {
  controls.controls[IDC_RESULT_TEXT].text = kWarning;  // while the run goes on
  OnCopyToClipboard(dialog);
  EXPECT_EQ(controls.clipboard, kWarning);

  RunAndComplete({.sizeMB = 2});
  OnCopyToClipboard(dialog);
  EXPECT_EQ(controls.clipboard, ResultText());
  EXPECT_EQ(controls.clipboard.substr(controls.clipboard.size() - 15), L"Kestrum  V1.4\r\n");
}

TEST_F(Completion, AppendingHasNoLimit) {
  const std::wstring longText(70000, L'长');
  AppendResultText(dialog, longText.c_str());
  AppendResultText(dialog, L"end");
  EXPECT_EQ(ResultText(), longText + L"end");
}
