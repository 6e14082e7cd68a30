#include "engine/verify_pass.h"

#include <mutex>

#include "engine/engine_error.h"
#include "engine/sector_check.h"
#include "engine/test_file_name.h"
#include "engine/test_session.h"
#include "platform/clock.h"
#include "platform/file.h"

namespace {

constexpr TextPair kOpenText = {L"无法打开文件 '%ls'", L"無法打開檔案 '%ls'."};
constexpr TextPair kReadText = {L"无法读取文件 '%ls', 偏移 0x%llx",
                                L"無法讀取檔案 '%ls', 偏移 0x%llx"};
constexpr TextPair kSizeText = {
    L"错误: 文件 '%ls' 的大小不是 %llu Byte 的倍数\r\n文件系统可能已损坏\r\n",
    L"錯誤: 檔案 '%ls' 的大小不是 %llu Byte 的倍數\r\n檔案系統可能已損壞\r\n"};
constexpr TextPair kMissingDataText = {
    L"错误: 预期 %llu MByte 的测试数据\r\n只找到了 %llu \r\n文件系统可能已损坏\r\n"
    L"或另一进程删除了一些测试用文件\r\n",
    L"錯誤：預期 %llu MByte 的測試數據\r\n只找到了 %llu \r\n檔案系統可能已損壞\r\n"
    L"或另一進程删除了一些測試用檔案\r\n"};

void StartVerifyPass() {
  TestProgress& progress = TestSession.progress;
  {
    std::lock_guard<std::mutex> guard(TestSession.lock);
    progress.verifying = true;
    progress.verifyStarted = true;
    progress.firstErrorSeen = false;
    progress.verifiedMB = 0;
    progress.slightlyChangedSectors = 0;
    progress.overwrittenSectors = 0;
    progress.okSectors = 0;
    progress.corruptedSectors = 0;
    progress.aliasedOffsets = 0;
    progress.readsFromMedium = true;
    progress.verifyStartTime = PerfCounter();
    progress.verifyNowTime = PerfCounter();
  }
  TestSession.aliasMap.Clear();
}

}  // namespace

void VerifyPass() {
  TestProgress& progress = TestSession.progress;
  ClearOnExit verifyingEnds(progress.verifying);
  StartVerifyPass();
  const wchar_t* const fileName = TestSession.fileName;
  uint64_t offset = 0;  // bytes checked so far: the absolute offset of the next block
  for (uint64_t number = 1;; ++number) {
    if (!ComposeTestFileName(number)) {
      PostSystemError(kErrorNameTooLong, PickText(kOpenText), fileName);
    }
    File file;
    if (unsigned code = file.Open(fileName, File::Mode::kOpenExistingRead)) {
      if (!IsFileNotFound(code)) PostSystemError(code, PickText(kOpenText), fileName);
      // The sequence ends at the first missing number; more data than expected is as wrong as
      // less. The worker is the only writer of verifiedMB.
      const uint64_t sizeMB = TestSession.sizeMB;
      if (progress.verifiedMB == sizeMB) return;
      PostEngineError(PickText(kMissingDataText), static_cast<unsigned long long>(sizeMB),
                      static_cast<unsigned long long>(progress.verifiedMB));
    }
    if (!file.ReadsFromMedium()) {
      // Damage found is damage all the same; only a clean result needs the medium's answer.
      std::lock_guard<std::mutex> guard(TestSession.lock);
      progress.readsFromMedium = false;
    }
    const uint64_t fileStart = offset;
    for (;;) {
      if (progress.stopRequested) return;
      size_t bytesRead;
      if (unsigned code = file.Read(TestSession.ioBuffer, kBytesPerMB, &bytesRead)) {
        PostSystemError(code, PickText(kReadText), fileName,
                        static_cast<unsigned long long>(offset - fileStart));
      }
      if (bytesRead == 0) break;
      if (bytesRead != kBytesPerMB) {
        PostEngineError(PickText(kSizeText), fileName,
                        static_cast<unsigned long long>(kBytesPerMB));
      }
      CheckBlock(offset);
      offset += kBytesPerMB;
      std::lock_guard<std::mutex> guard(TestSession.lock);
      ++progress.verifiedMB;
      progress.verifyNowTime = PerfCounter();
    }
  }
}
