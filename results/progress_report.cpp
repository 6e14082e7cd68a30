#include "results/progress_report.h"

#include "platform/text.h"
#include "resources/resource_ids.h"
#include "results/format.h"

namespace {

constexpr size_t kLineChars = 1000;

constexpr TextPair kReportFormat = {
    L"%ls%ls媒介可能有问题\r\n"
    L"%ls OK (%llu 扇区%ls)\r\n"
    L"%ls 数据丢失 (%llu 扇区%ls)\r\n"
    L"详情:%ls 覆盖 (%llu 扇区%ls)\r\n"
    L"%ls 略有变化 (< 8 位/扇区, %llu 扇区%ls)\r\n"
    L"%ls 已损坏 (%llu 扇区%ls)\r\n"
    L"%ls 别名内存 (%llu 扇区%ls)\r\n"
    L"第一个错误位于偏移: 0x%016llx\r\n"
    L"预期: 0x%016llx\r\n"
    L"找到: 0x%016llx\r\n"
    L"Kestrum  V1.4\r\n",
    L"%ls%ls媒介可能有問題\r\n"
    L"%ls OK (%llu 扇區%ls)\r\n"
    L"%ls 資料丟失 (%llu 扇區%ls)\r\n"
    L"詳情:%ls 覆蓋 (%llu 扇區%ls)\r\n"
    L"%ls 略有變化 (< 8 位/扇區, %llu 扇區%ls)\r\n"
    L"%ls 已損壞 (%llu 扇區%ls)\r\n"
    L"%ls 別名内存 (%llu 扇區%ls)\r\n"
    L"第一個錯誤位於偏移: 0x%016llx\r\n"
    L"預期: 0x%016llx\r\n"
    L"找到: 0x%016llx\r\n"
    L"Kestrum  V1.4\r\n"};

constexpr TextPair kLossEndedWritingLine = {
    L"写入 %llu MByte 后, 抽查发现媒介丢失了已写入的数据, 所以提前结束了写入\r\n",
    L"寫入 %llu MByte 後, 抽查發現媒介遺失了已寫入的數據, 所以提前結束了寫入\r\n"};
constexpr TextPair kLossWroteOnLine = {L"写入 %llu MByte 后, 抽查发现媒介丢失了已写入的数据\r\n",
                                       L"寫入 %llu MByte 後, 抽查發現媒介遺失了已寫入的數據\r\n"};

// A count of sectors with its size text, as the report prints them.
struct SectorAmount {
  explicit SectorAmount(uint64_t sectors) : count(sectors) { FormatSize(size, sectors * 512); }
  unsigned long long count;
  wchar_t size[kSizeTextChars];
};

// The amount, time and speed texts of one pass. The speed counts from `speedStartTime`.
void ShowPass(DialogControls& controls, const int ids[3], uint64_t doneMB, int64_t startTime,
              int64_t speedStartTime, int64_t nowTime, int64_t frequency, bool running) {
  wchar_t text[kLineChars];
  FormatText(text, kLineChars, L"%llu MByte", static_cast<unsigned long long>(doneMB));
  controls.SetText(ids[0], text);
  FormatPassTime(text, startTime, nowTime, frequency, running, doneMB);
  controls.SetText(ids[1], text);
  FormatSpeed(text, doneMB, speedStartTime, nowTime, frequency);
  controls.SetText(ids[2], text);
}

// The warning and the loss line, as they stand above a report or a message.
void FormatNotes(wchar_t* buffer, const TestProgress& p) {
  const FixedText<kWarningChars> warning = CopyWarningText();
  wchar_t lossLine[kLossLineChars];
  FormatLossLine(lossLine, p);
  FormatText(buffer, kNotesChars, L"%ls%ls", warning.Get() ? warning.Get() : L"", lossLine);
}

}  // namespace

const wchar_t* PluralSuffix(uint64_t count) {
  if (count == 1) return L"";
  return Language == 1 ? L"s" : L"en";
}

void FormatResultReport(wchar_t* buffer, const TestProgress& p, const wchar_t* message,
                        const wchar_t* notes) {
  const SectorAmount ok(p.okSectors);
  const SectorAmount lost(p.overwrittenSectors + p.slightlyChangedSectors + p.corruptedSectors);
  const SectorAmount overwritten(p.overwrittenSectors);
  const SectorAmount slightlyChanged(p.slightlyChangedSectors);
  const SectorAmount corrupted(p.corruptedSectors);
  const SectorAmount aliased(p.aliasedOffsets);
  FormatText(buffer, kReportChars, PickText(kReportFormat), message ? message : L"",
             notes ? notes : L"", ok.size, ok.count, PluralSuffix(ok.count), lost.size,
             lost.count, PluralSuffix(lost.count), overwritten.size, overwritten.count,
             PluralSuffix(overwritten.count), slightlyChanged.size, slightlyChanged.count,
             PluralSuffix(slightlyChanged.count), corrupted.size, corrupted.count,
             PluralSuffix(corrupted.count), aliased.size, aliased.count,
             PluralSuffix(aliased.count), static_cast<unsigned long long>(p.firstError.offset),
             static_cast<unsigned long long>(p.firstError.expected),
             static_cast<unsigned long long>(p.firstError.found));
}

void FormatLossLine(wchar_t* buffer, const TestProgress& p) {
  buffer[0] = L'\0';
  if (!p.lossFound) return;
  const TextPair& line = TestSession.writeOnAfterLoss ? kLossWroteOnLine : kLossEndedWritingLine;
  FormatText(buffer, kLossLineChars, PickText(line),
             static_cast<unsigned long long>(p.lossFoundAtMB));
}

int ProgressPosition(const TestProgress& p) {
  if (p.progressTotalMB == 0) return 0;
  const uint64_t percent = (p.writtenMB + p.verifiedMB) * 100 / p.progressTotalMB;
  return percent > 100 ? 100 : static_cast<int>(percent);
}

void UpdateProgress(ProgressDialogState& dialog, const wchar_t* message) {
  const TestProgress p = CopyProgress();
  DialogControls& controls = dialog.controls;
  if (p.writeStarted) {
    static constexpr int kWriteIds[3] = {IDC_WRITE_AMOUNT, IDC_WRITE_TIME, IDC_WRITE_SPEED};
    ShowPass(controls, kWriteIds, p.writtenMB, p.writeStartTime, p.WriteSpeedStartTime(),
             p.writeNowTime, p.perfFrequency, p.writing);
  }
  if (p.verifyStarted) {
    static constexpr int kVerifyIds[3] = {IDC_VERIFY_AMOUNT, IDC_VERIFY_TIME, IDC_VERIFY_SPEED};
    ShowPass(controls, kVerifyIds, p.verifiedMB, p.verifyStartTime, p.verifyStartTime,
             p.verifyNowTime, p.perfFrequency, p.verifying);
  }
  // A loss found while writing shows at once, ahead of the verify pass that sizes it.
  if (p.firstErrorSeen || message != nullptr || p.lossFound) {
    wchar_t notes[kNotesChars];
    FormatNotes(notes, p);
    wchar_t text[kReportChars];
    if (p.firstErrorSeen) {
      FormatResultReport(text, p, message, notes);
    } else {
      FormatText(text, kReportChars, L"%ls%ls", message ? message : L"", notes);
    }
    dialog.reportShown = true;
    controls.SetText(IDC_RESULT_TEXT, text);
  }
  controls.SetProgressPosition(IDC_PROGRESS_BAR, ProgressPosition(p));
}
