#include "results/progress_report.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/engine_error.h"
#include "engine/test_session.h"
#include "platform/memory_dialog.h"
#include "resources/resource_ids.h"
#include "tests/support/session.h"

namespace {

// The progress of the report's example: 4 GiB intact, 4 GiB overwritten by as many distinct
// foreign sectors, the first error at offset 0.
TestProgress ExampleProgress() {
  TestProgress p;
  p.okSectors = 8388608;
  p.overwrittenSectors = 8388608;
  p.slightlyChangedSectors = 0;
  p.corruptedSectors = 0;
  p.aliasedOffsets = 8388608;
  p.firstErrorSeen = true;
  p.firstError = {0, 0, 0x0000000100000000};
  return p;
}

std::wstring Report(const TestProgress& p, const wchar_t* message = nullptr,
                    const wchar_t* warning = nullptr) {
  wchar_t text[kReportChars];
  FormatResultReport(text, p, message, warning);
  return text;
}

class ProgressReport : public testing::Test {
 protected:
  void SetUp() override { ResetSession(); }
  void TearDown() override { ResetSession(); }

  MemoryDialog controls;
  ProgressDialogState dialog{controls};
};

}  // namespace

TEST_F(ProgressReport, TheExampleReportLineByLine) {
  EXPECT_EQ(Report(ExampleProgress()),
            L"媒介可能有问题\r\n"
            L"4 GByte OK (8388608 扇区en)\r\n"
            L"4 GByte 数据丢失 (8388608 扇区en)\r\n"
            L"详情:4 GByte 覆盖 (8388608 扇区en)\r\n"
            L"0 KByte 略有变化 (< 8 位/扇区, 0 扇区en)\r\n"
            L"0 KByte 已损坏 (0 扇区en)\r\n"
            L"4 GByte 别名内存 (8388608 扇区en)\r\n"
            L"第一个错误位于偏移: 0x0000000000000000\r\n"
            L"预期: 0x0000000000000000\r\n"
            L"找到: 0x0000000100000000\r\n"
            L"Kestrum  V1.4\r\n");
  Language = 1;
  EXPECT_EQ(Report(ExampleProgress()),
            L"媒介可能有問題\r\n"
            L"4 GByte OK (8388608 扇區s)\r\n"
            L"4 GByte 資料丟失 (8388608 扇區s)\r\n"
            L"詳情:4 GByte 覆蓋 (8388608 扇區s)\r\n"
            L"0 KByte 略有變化 (< 8 位/扇區, 0 扇區s)\r\n"
            L"0 KByte 已損壞 (0 扇區s)\r\n"
            L"4 GByte 別名内存 (8388608 扇區s)\r\n"
            L"第一個錯誤位於偏移: 0x0000000000000000\r\n"
            L"預期: 0x0000000000000000\r\n"
            L"找到: 0x0000000100000000\r\n"
            L"Kestrum  V1.4\r\n");
}

TEST_F(ProgressReport, CountsTheLostSectorsAndTakesTheSuffixOfEachCount) {
  TestProgress p = ExampleProgress();
  p.okSectors = 1;
  p.overwrittenSectors = 1;
  p.slightlyChangedSectors = 2;
  p.corruptedSectors = 3;
  p.aliasedOffsets = 1;
  p.firstError = {0x1234, 0xFEDCBA9876543210, 0xABC};
  Language = 1;
  EXPECT_EQ(Report(p),
            L"媒介可能有問題\r\n"
            L"0.5 KByte OK (1 扇區)\r\n"
            L"3 KByte 資料丟失 (6 扇區s)\r\n"
            L"詳情:0.5 KByte 覆蓋 (1 扇區)\r\n"
            L"1 KByte 略有變化 (< 8 位/扇區, 2 扇區s)\r\n"
            L"1.5 KByte 已損壞 (3 扇區s)\r\n"
            L"0.5 KByte 別名内存 (1 扇區)\r\n"
            L"第一個錯誤位於偏移: 0x0000000000001234\r\n"
            L"預期: 0xfedcba9876543210\r\n"
            L"找到: 0x0000000000000abc\r\n"
            L"Kestrum  V1.4\r\n");
}

TEST_F(ProgressReport, TheMessageAndTheWarningHeadTheReport) {
  const std::wstring report =
      Report(ExampleProgress(), L"无法读取文件 'x'\r\n", L"警告: 只测试了 1 MByte(共 2 MByte)\r\n");
  EXPECT_EQ(report.substr(0, report.find(L"4 GByte OK")),
            L"无法读取文件 'x'\r\n警告: 只测试了 1 MByte(共 2 MByte)\r\n媒介可能有问题\r\n");
  // The longest message and warning there can be still leave the whole report.
  const std::wstring message(kMessageChars - 1, L'错');
  const std::wstring warning(kWarningChars - 1, L'警');
  const std::wstring longest = Report(ExampleProgress(), message.c_str(), warning.c_str());
  EXPECT_EQ(longest, message + warning + Report(ExampleProgress()));
}

TEST_F(ProgressReport, ThePositionIsTheShareOfTheWorkDone) {
  const struct {
    uint64_t writtenMB, verifiedMB, totalMB;
    int position;
  } cases[] = {
      {0, 0, 0, 0},       {5, 0, 0, 0},         {0, 0, 200, 0},       {100, 0, 200, 50},
      {100, 99, 200, 99}, {100, 100, 200, 100}, {100, 150, 200, 100}, {0, 1, 3, 33},
  };
  for (const auto& c : cases) {
    TestProgress p;
    p.writtenMB = c.writtenMB;
    p.verifiedMB = c.verifiedMB;
    p.progressTotalMB = c.totalMB;
    EXPECT_EQ(ProgressPosition(p), c.position)
        << c.writtenMB << " + " << c.verifiedMB << " of " << c.totalMB;
  }
}

TEST_F(ProgressReport, NothingIsShownOfAPassThatHasNotBegun) {
  TestSession.progress.progressTotalMB = 10;
  UpdateProgress(dialog, nullptr);
  EXPECT_EQ(controls.controls.count(IDC_WRITE_AMOUNT) + controls.controls.count(IDC_VERIFY_AMOUNT) +
                controls.controls.count(IDC_RESULT_TEXT),
            0u);
  EXPECT_EQ(controls.controls[IDC_PROGRESS_BAR].progressPosition, 0);
  EXPECT_FALSE(dialog.reportShown);
}

TEST_F(ProgressReport, ShowsEachPassThatHasBegun) {
  TestProgress& p = TestSession.progress;
  p.perfFrequency = 1000;
  p.writeStarted = true;
  p.writing = false;
  p.writtenMB = 6;
  p.writeStartTime = 1000;
  p.writeNowTime = 4000;      // 6 MByte in 3 s,
  p.writeSampleTicks = 1000;  // 1 s of which went to sample checks
  p.verifyStarted = true;
  p.verifying = true;
  p.verifiedMB = 0;
  p.verifyStartTime = p.verifyNowTime = 5000;
  p.progressTotalMB = 12;
  UpdateProgress(dialog, nullptr);
  EXPECT_EQ(controls.controls[IDC_WRITE_AMOUNT].text, L"6 MByte");
  EXPECT_EQ(controls.controls[IDC_WRITE_TIME].text, L"3 s");
  EXPECT_EQ(controls.controls[IDC_WRITE_SPEED].text, L"3,00 MByte/s");
  EXPECT_EQ(controls.controls[IDC_VERIFY_AMOUNT].text, L"0 MByte");
  EXPECT_EQ(controls.controls[IDC_VERIFY_TIME].text, L"0 s (剩余 0 s)");  // nothing done yet
  EXPECT_EQ(controls.controls[IDC_VERIFY_SPEED].text, L"0,00 KByte/s");
  EXPECT_EQ(controls.controls[IDC_PROGRESS_BAR].progressPosition, 50);
}

TEST_F(ProgressReport, TheResultBoxShowsTheReportOrTheMessageOrStaysAsItWas) {
  SetWarningText(L"警告\r\n");
  controls.controls[IDC_RESULT_TEXT].text = L"警告\r\n";

  UpdateProgress(dialog, nullptr);  // a tick without damage
  EXPECT_EQ(controls.controls[IDC_RESULT_TEXT].text, L"警告\r\n");
  EXPECT_FALSE(dialog.reportShown);

  UpdateProgress(dialog, L"错误\r\n");  // the end of a run that failed without damage
  EXPECT_EQ(controls.controls[IDC_RESULT_TEXT].text, L"错误\r\n警告\r\n");
  EXPECT_TRUE(dialog.reportShown);

  TestSession.progress = ExampleProgress();
  UpdateProgress(dialog, L"错误\r\n");
  EXPECT_EQ(controls.controls[IDC_RESULT_TEXT].text,
            Report(ExampleProgress(), L"错误\r\n", L"警告\r\n"));

  controls.controls[IDC_RESULT_TEXT].text = L"something else";
  UpdateProgress(dialog, nullptr);  // the live report is rewritten at every tick
  EXPECT_EQ(controls.controls[IDC_RESULT_TEXT].text,
            Report(ExampleProgress(), nullptr, L"警告\r\n"));
}

TEST_F(ProgressReport, ALossFoundWhileWritingShowsAtOnceAndThenHeadsTheReport) {
  const struct {
    int language;
    bool writeOnAfterLoss;
    std::wstring line;
  } cases[] = {
      {0, false, L"写入 2048 MByte 后, 抽查发现媒介丢失了已写入的数据, 所以提前结束了写入\r\n"},
      {1, false, L"寫入 2048 MByte 後, 抽查發現媒介遺失了已寫入的數據, 所以提前結束了寫入\r\n"},
      {0, true, L"写入 2048 MByte 后, 抽查发现媒介丢失了已写入的数据\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "Language " << c.language << ", writing on "
                                    << c.writeOnAfterLoss);
    ResetSession();
    Language = c.language;
    TestSession.writeOnAfterLoss = c.writeOnAfterLoss;
    SetWarningText(L"警告\r\n");
    TestProgress& p = TestSession.progress;
    p.writeStarted = p.writing = true;
    p.writtenMB = p.lossFoundAtMB = 2048;
    p.lossFound = true;
    dialog.reportShown = false;
    UpdateProgress(dialog, nullptr);
    EXPECT_EQ(controls.controls[IDC_RESULT_TEXT].text, L"警告\r\n" + c.line);
    EXPECT_TRUE(dialog.reportShown);

    TestSession.progress = ExampleProgress();
    TestSession.progress.lossFound = true;
    TestSession.progress.lossFoundAtMB = 2048;
    UpdateProgress(dialog, nullptr);
    EXPECT_EQ(controls.controls[IDC_RESULT_TEXT].text,
              Report(TestSession.progress, nullptr, (L"警告\r\n" + c.line).c_str()));
  }
}
