#include "target/target_status.h"

#include <initializer_list>

#include "engine/space.h"
#include "engine/test_file_name.h"
#include "engine/test_session.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "target/test_files.h"

namespace {

constexpr size_t kCaptionChars = 64;

constexpr TextPair kNoTargetText = {L"(未选择)", L"(未選擇)"};
constexpr TextPair kAllSpaceText = {L"所有可用的空间", L"所有可用的空間"};
constexpr TextPair kAllSpaceWithFreeText = {L"所有可用的空间 (%llu MByte)",
                                            L"所有可用的空間 (%llu MByte)"};
constexpr TextPair kAccessErrorText = {L"访问路径时出错", L"訪問路徑時出錯"};
constexpr TextPair kPathTooLongText = {L"路径太长, 请选择较短的路径",
                                       L"路徑太長, 請選擇較短的路徑"};
constexpr TextPair kVolumeChangedText = {L"媒介已更换, 请重新选择路径",
                                         L"媒介已更換, 請重新選擇路徑"};
constexpr TextPair kNoTestFilesText = {L"此路径没有测试用文件存在", L"此路徑沒有測試用檔案存在"};
constexpr TextPair kPleaseDeleteText = {L"请删除 *.kst 文件", L"請删除 *.kst 檔案"};
constexpr TextPair kTestFilesPresentText = {L"存在测试用文件: %llu MByte",
                                            L"存在測試用檔案: %llu MByte."};

// The start button for writing and the size group that only writing uses.
constexpr int kWriteControls[] = {IDC_WRITE_VERIFY, IDC_ALL_SPACE, IDC_ONLY_SIZE, IDC_SIZE_MB,
                                  IDC_MBYTE_LABEL};

void EnableStarts(DialogControls& dialog, bool write, bool verify) {
  for (int id : kWriteControls) dialog.Enable(id, write);
  dialog.Enable(IDC_VERIFY, verify);
}

}  // namespace

void RefreshTargetStatus(DialogControls& dialog) {
  if (!TestSession.targetPath) {
    dialog.Enable(IDC_REFRESH, false);
    EnableStarts(dialog, false, false);
    dialog.SetText(IDC_PATH_LABEL, PickText(kNoTargetText));
    dialog.SetText(IDC_FILE_STATUS, L"");
    return;
  }
  dialog.SetText(IDC_PATH_LABEL, TestSession.targetPath->c_str());
  dialog.Enable(IDC_REFRESH, true);

  // A target that cannot be tested: it cannot be reached, its test files could not be named,
  // or it now lies on another medium than the one chosen.
  const uint64_t freeMB = FreeSpaceMB();
  const TextPair* refusal = freeMB == SPACE_UNKNOWN   ? &kAccessErrorText
                            : !TestFileNamesFit()     ? &kPathTooLongText
                            : !TargetOnChosenVolume() ? &kVolumeChangedText
                                                      : nullptr;
  if (refusal != nullptr) {
    dialog.SetText(IDC_ALL_SPACE, PickText(kAllSpaceText));
    EnableStarts(dialog, false, false);
    dialog.SetText(IDC_FILE_STATUS, PickText(*refusal));
    return;
  }
  wchar_t text[kCaptionChars];
  FormatText(text, kCaptionChars, PickText(kAllSpaceWithFreeText),
             static_cast<unsigned long long>(freeMB));
  dialog.SetText(IDC_ALL_SPACE, text);

  const uint64_t measuredMB = MeasureTestFiles();
  if (measuredMB == 0 && !FindTestFiles()) {
    dialog.SetText(IDC_FILE_STATUS, PickText(kNoTestFilesText));
    EnableStarts(dialog, true, false);
  } else if (measuredMB == 0 || measuredMB == TEST_FILES_MISSIZED) {
    EnableStarts(dialog, false, false);
    dialog.SetText(IDC_FILE_STATUS, PickText(kPleaseDeleteText));
  } else {
    FormatText(text, kCaptionChars, PickText(kTestFilesPresentText),
               static_cast<unsigned long long>(measuredMB));
    dialog.SetText(IDC_FILE_STATUS, text);
    EnableStarts(dialog, false, true);
  }
}
