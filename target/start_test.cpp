#include "target/start_test.h"

#include <limits>
#include <string>

#include "engine/space.h"
#include "engine/test_session.h"
#include "engine/test_size.h"
#include "platform/storage_layers.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "target/target_status.h"
#include "target/test_files.h"

namespace {

constexpr size_t kNoteChars = 500;
constexpr size_t kSizeFieldChars = 100;

constexpr TextPair kTestFilesPresentText = {L"由于此路径存在测试用文件，无法写入",
                                            L"由於此路徑存在測試用檔案,無法寫入"};
constexpr TextPair kTestFilesDamagedText = {L"无法进行测试，因为一个或多个测试用文件的大小不正确",
                                            L"無法進行測試，因為一個或多個測試用檔案的大小不正確"};
constexpr TextPair kSizeZeroText = {L"数据量不能为0!", L"數據量不能為0!"};
constexpr TextPair kNotEnoughSpaceText = {L"可用空间不足!", L"可用空間不足!"};
constexpr TextPair kPartialCapacityText = {
    L"注意: 只测试 %llu MByte,而总容量为 %llu MByte,所以此测试将无法找到所有错误.为了得到最佳结果,"
    L"请在测试前格式化媒介.(NTFS卷上保留了少量容量,因此看到此信息是正常的)",
    L"注意: 只測試 %llu MByte,而總容量為 %llu MByte,所以此測試將無法找到所有錯誤.為了得到最佳結果,"
    L"請在測試前格式化媒介.(NTFS卷上保留了少量容量,因此看到此資訊是正常的)"};

constexpr TextPair kReadsBeyondReachWriteNote = {
    L"注意: 在此文件系统 (%ls) 上, 读取的数据可能来自系统的内存而不是媒介, 本程序无法排除这一点."
    L"所以写入期间不会抽查媒介是否丢失了数据."
    L"为了得到可靠的结果, 请在写入后拔出并重新插入媒介, 然后只进行测试, "
    L"或以有权读取该设备的用户运行本程序.",
    L"注意: 在此檔案系統 (%ls) 上, 讀取的數據可能來自系統的記憶體而不是媒介, 本程式無法排除這一點."
    L"所以寫入期間不會抽查媒介是否遺失了數據."
    L"為了得到可靠的結果, 請在寫入後拔出並重新插入媒介, 然後只進行測試, "
    L"或以有權讀取該裝置的使用者執行本程式."};
constexpr TextPair kReadsBeyondReachVerifyNote = {
    L"注意: 在此文件系统 (%ls) 上, 读取的数据可能来自系统的内存而不是媒介, 本程序无法排除这一点."
    L"只有在写入测试用文件后拔出并重新插入过媒介, 测试结果才可靠, "
    L"或以有权读取该设备的用户运行本程序.",
    L"注意: 在此檔案系統 (%ls) 上, 讀取的數據可能來自系統的記憶體而不是媒介, 本程式無法排除這一點."
    L"只有在寫入測試用檔案後拔出並重新插入過媒介, 測試結果才可靠, "
    L"或以有權讀取該裝置的使用者執行本程式."};

void Refuse(DialogControls& dialog, StartTestHost& host, const TextPair& text, bool refresh) {
  host.ShowMessage(PickText(text), MessageKind::kRefusal);
  if (refresh) RefreshTargetStatus(dialog);
}

// Decides the size of a write test and stores it. Returns the size that the partial-capacity
// note names, or nothing when the start was refused.
std::optional<uint64_t> ChooseWriteSize(DialogControls& dialog, StartTestHost& host) {
  if (dialog.IsChecked(IDC_ALL_SPACE)) {
    SetTestSize(0);
    return FreeSpaceMB();
  }
  const uint64_t sizeMB = ParseSizeMB(dialog.GetText(IDC_SIZE_MB)).value_or(0);
  if (sizeMB == 0) {
    Refuse(dialog, host, kSizeZeroText, false);
    return std::nullopt;
  }
  if (sizeMB > FreeSpaceMB()) {  // an unknown free space lets every size pass
    Refuse(dialog, host, kNotEnoughSpaceText, false);
    // A second click then asks for exactly the free space.
    wchar_t text[kSizeFieldChars];
    FormatText(text, kSizeFieldChars, L"%llu", static_cast<unsigned long long>(FreeSpaceMB()));
    dialog.SetText(IDC_SIZE_MB, text);
    return std::nullopt;
  }
  SetTestSize(sizeMB);
  return sizeMB;
}

// Where some cache beneath the file system may answer the verify pass's reads and this program
// cannot empty it, says so before the run, with what gives a verdict from the medium.
void NoteReadsBeyondReach(StartTestHost& host, bool write) {
  if (!TestSession.targetPath) return;
  const StorageLayers layers = QueryStorageLayers(TestSession.targetPath->c_str());
  if (layers.reach != MediumReach::kOutOfReach) return;
  const std::wstring type =
      WideFromUtf8(layers.fileSystemType.empty() ? "?" : layers.fileSystemType);
  wchar_t note[kNoteChars];
  FormatText(note, kNoteChars,
             PickText(write ? kReadsBeyondReachWriteNote : kReadsBeyondReachVerifyNote),
             type.c_str());
  host.ShowMessage(note, MessageKind::kNote);
}

}  // namespace

std::optional<uint64_t> ParseSizeMB(const std::wstring& text) {
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    const uint64_t digit = static_cast<uint64_t>(c - L'0');
    if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
      return std::numeric_limits<uint64_t>::max();
    }
    value = value * 10 + digit;
  }
  return value;
}

void StartTest(DialogControls& dialog, StartTestHost& host, bool write) {
  const uint64_t measuredMB = MeasureTestFiles();
  if (write && measuredMB != 0) return Refuse(dialog, host, kTestFilesPresentText, true);
  if (measuredMB == TEST_FILES_MISSIZED) return Refuse(dialog, host, kTestFilesDamagedText, true);

  if (!write) {
    SetTestSize(measuredMB);  // a verify test checks what is there; no space check
  } else {
    const std::optional<uint64_t> requestedMB = ChooseWriteSize(dialog, host);
    if (!requestedMB) return;
    const uint64_t totalMB = TotalSpaceMB();
    if (totalMB != SPACE_UNKNOWN && totalMB != *requestedMB) {
      wchar_t note[kNoteChars];
      FormatText(note, kNoteChars, PickText(kPartialCapacityText),
                 static_cast<unsigned long long>(*requestedMB),
                 static_cast<unsigned long long>(totalMB));
      host.ShowMessage(note, MessageKind::kNote);
    }
  }
  NoteReadsBeyondReach(host, write);
  TestSession.endless = dialog.IsChecked(IDC_ENDLESS);
  TestSession.doWrite = write;
  TestSession.doVerify = true;
  host.RunProgressDialog();
  RefreshTargetStatus(dialog);
}
