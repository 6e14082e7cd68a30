#include "results/completion.h"

#include <string>

#include "engine/test_session.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "results/format.h"
#include "results/progress_report.h"

namespace {

constexpr size_t kCompletionChars = 500;  // holds the longest text with the longest warning
constexpr size_t kLineChars = 1000;

constexpr TextPair kCompletedWithWriteText = {
    L"%ls测试已完成,没有发现错误.\r\n现在可以删除测试用文件 *.kst 或再次进行测试\r\n",
    L"%ls測試已完成,沒有發現錯誤.\r\n現在可以删除測試用檔案 *.kst 或再次進行測試\r\n"};
constexpr TextPair kCompletedVerifyOnlyText = {L"%ls测试已完成,没有发现错误\r\n",
                                               L"%ls測試已完成,沒有發現錯誤\r\n"};
// The same, where a cache beyond this program's reach may have answered the reads.
constexpr TextPair kUnprovenWithWriteText = {
    L"%ls测试已完成,没有发现错误, 但读取的数据可能来自系统的内存而不是媒介, "
    L"所以此结果不能证明媒介完好.\r\n"
    L"请保留测试用文件 *.kst, 拔出并重新插入媒介, 然后再只进行一次测试\r\n",
    L"%ls測試已完成,沒有發現錯誤, 但讀取的數據可能來自系統的記憶體而不是媒介, "
    L"所以此結果不能證明媒介完好.\r\n"
    L"請保留測試用檔案 *.kst, 拔出並重新插入媒介, 然後再只進行一次測試\r\n"};
constexpr TextPair kUnprovenVerifyOnlyText = {
    L"%ls测试已完成,没有发现错误, 但读取的数据可能来自系统的内存而不是媒介.\r\n"
    L"只有在写入测试用文件后拔出并重新插入过媒介, 此结果才可靠\r\n",
    L"%ls測試已完成,沒有發現錯誤, 但讀取的數據可能來自系統的記憶體而不是媒介.\r\n"
    L"只有在寫入測試用檔案後拔出並重新插入過媒介, 此結果才可靠\r\n"};
constexpr TextPair kWriteSpeedLine = {L"写入速度: %ls\r\n", L"寫入速度: %ls\r\n"};
constexpr TextPair kReadSpeedLine = {L"读取速度: %ls\r\n", L"讀取速度: %ls\r\n"};

// Whether the run wrote, and whether the medium itself answered its reads.
const TextPair& CompletionText(const TestProgress& p) {
  const bool fromMedium = p.readsFromMedium || !p.verifyStarted;
  if (p.writeStarted) return fromMedium ? kCompletedWithWriteText : kUnprovenWithWriteText;
  return fromMedium ? kCompletedVerifyOnlyText : kUnprovenVerifyOnlyText;
}

void AppendSpeedLine(ProgressDialogState& dialog, const TextPair& line, uint64_t doneMB,
                     int64_t startTime, int64_t nowTime, int64_t frequency) {
  wchar_t speed[kSpeedTextChars];
  FormatSpeed(speed, doneMB, startTime, nowTime, frequency);
  wchar_t text[kLineChars];
  FormatText(text, kLineChars, PickText(line), speed);
  AppendResultText(dialog, text);
}

}  // namespace

int OnTestNotify(ProgressDialogState& dialog) {
  dialog.finished = true;
  const TestProgress p = CopyProgress();
  DialogControls& controls = dialog.controls;
  // The dialog closes once this handler returns; what follows is never seen.
  if (p.stopRequested) controls.EndDialog(IDCANCEL);
  controls.KillTimer(dialog.timerId);

  const FixedText<kWarningChars> warning = CopyWarningText();
  wchar_t completion[kCompletionChars];
  FormatText(completion, kCompletionChars, PickText(CompletionText(p)),
             warning.Get() ? warning.Get() : L"");
  controls.SetText(IDC_RESULT_TEXT, completion);

  // Replaces the completion text by the report or the error where there is one.
  const wchar_t* errorText = TestSession.errorText.Get();
  UpdateProgress(dialog, errorText);
  AppendSummary(dialog);
  controls.SetText(IDCANCEL, L"OK");
  if (p.DamageFound() || errorText != nullptr) {
    controls.SetProgressState(IDC_PROGRESS_BAR, ProgressState::kError);
  }
  return 0;
}

void AppendSummary(ProgressDialogState& dialog) {
  const TestProgress p = CopyProgress();
  if (p.writeStarted) {
    AppendSpeedLine(dialog, kWriteSpeedLine, p.writtenMB, p.WriteSpeedStartTime(),
                    p.writeNowTime, p.perfFrequency);
  }
  if (p.verifyStarted) {
    AppendSpeedLine(dialog, kReadSpeedLine, p.verifiedMB, p.verifyStartTime, p.verifyNowTime,
                    p.perfFrequency);
  }
  AppendResultText(dialog, kVersionLine);
}

void AppendResultText(ProgressDialogState& dialog, const wchar_t* text) {
  const std::wstring combined = dialog.controls.GetText(IDC_RESULT_TEXT) + text;
  dialog.controls.SetText(IDC_RESULT_TEXT, combined.c_str());
}

void OnCopyToClipboard(ProgressDialogState& dialog) {
  DialogControls& controls = dialog.controls;
  controls.SelectText(IDC_RESULT_TEXT, 0, 0xFFFF);
  controls.ScrollCaretIntoView(IDC_RESULT_TEXT);
  controls.CopySelection(IDC_RESULT_TEXT);
}
