#include "engine/write_pass.h"

#include <algorithm>
#include <mutex>

#include "engine/engine_error.h"
#include "engine/pattern.h"
#include "engine/sample_check.h"
#include "engine/space.h"
#include "engine/test_file_name.h"
#include "engine/test_session.h"
#include "engine/test_size.h"
#include "platform/clock.h"
#include "platform/file.h"

namespace {

constexpr TextPair kCreateText = {L"无法创建文件 '%ls'", L"無法創建檔案 '%ls'"};
constexpr TextPair kWriteText = {
    L"无法写入文件 '%ls', 偏移 0x%llx\r\n仍然可以验证到目前为止写入的测试数据",
    L"無法寫入檔案 '%ls', 偏移 0x%llx\r\n仍然可以驗證到目前為止寫入的測試數據"};
constexpr TextPair kFlushText = {L"无法完成文件 '%ls'", L"無法完成檔案 '%ls'"};
constexpr TextPair kCloseText = {L"无法关闭文件 '%ls'", L"無法關閉檔案 '%ls'"};
constexpr TextPair kVolumeChangedText = {
    L"目标路径已不在所选的媒介上\r\n媒介可能已被移除, 测试已停止, 以免写入其他媒介\r\n",
    L"目標路徑已不在所選的媒介上\r\n媒介可能已被移除, 測試已停止, 以免寫入其他媒介\r\n"};
constexpr TextPair kEarlyFullText = {
    L"媒介比预期的更早填满!\r\n测试开始时有 %lld MByte 空间\r\n但只有 %lld MByte 可写\r\n",
    L"媒介比預期的更早填滿!\r\n測試開始時有 %lld MByte 空間\r\n但只有 %lld MByte 可寫\r\n"};

// Shrinks the run to the data written, so that the verify pass checks exactly that.
void EndDataAtWritten() {
  const uint64_t writtenMB = TestSession.progress.writtenMB;  // the worker is its only writer
  SetTestSize(writtenMB);
  std::lock_guard<std::mutex> guard(TestSession.lock);
  TestSession.progress.progressTotalMB = 2 * writtenMB;  // a write pass is always verified
}

// A run over all free space met a full medium. Within the tolerance the run is shrunk to the
// data written; beyond it the run ends.
void AcceptEarlyFull() {
  const uint64_t sizeMB = TestSession.sizeMB;
  const uint64_t writtenMB = TestSession.progress.writtenMB;
  if (sizeMB - writtenMB > EarlyFullToleranceMB(sizeMB)) {
    PostEngineError(PickText(kEarlyFullText), static_cast<long long>(sizeMB),
                    static_cast<long long>(writtenMB));
  }
  EndDataAtWritten();
}

// Checks a sample of the `writtenBytes` written so far, in sample round `round`. A check that
// memory might answer proves nothing, and after a loss there is nothing left to prove: both turn
// the checks off for the rest of the pass. Returns true when a loss ends the pass: its data then
// ends at what was written.
bool LossEndsWriting(uint64_t writtenBytes, uint64_t round, bool* sampling) {
  TestProgress& progress = TestSession.progress;
  const int64_t start = PerfCounter();
  const SampleResult result = CheckSample(PlanSample(writtenBytes, round));
  *sampling = result == SampleResult::kIntact;
  if (result == SampleResult::kLost) {
    {
      std::lock_guard<std::mutex> guard(TestSession.lock);
      progress.lossFound = true;
      progress.lossFoundAtMB = progress.writtenMB;
    }
    if (!TestSession.writeOnAfterLoss) {
      EndDataAtWritten();
      return true;  // this check came after the last write: the speed never counted it
    }
  }
  std::lock_guard<std::mutex> guard(TestSession.lock);
  progress.writeSampleTicks += PerfCounter() - start;
  return false;
}

}  // namespace

void WritePass() {
  TestProgress& progress = TestSession.progress;
  ClearOnExit writingEnds(progress.writing);
  {
    std::lock_guard<std::mutex> guard(TestSession.lock);
    progress.writing = true;
    progress.writeStarted = true;
    progress.writtenMB = 0;
    progress.writeSampleTicks = 0;
    progress.lossFound = false;
    progress.writeStartTime = PerfCounter();
    progress.writeNowTime = PerfCounter();
  }
  const wchar_t* const fileName = TestSession.fileName;
  uint64_t endOfData = TestSession.sizeMB * kBytesPerMB;
  uint64_t offset = 0;
  bool sampling = true;
  for (uint64_t number = 1; offset < endOfData; ++number) {
    // A medium removed mid-test often leaves its mount point behind as an empty directory of
    // the system's own disk: never fill that one.
    if (!TargetOnChosenVolume()) PostEngineError(PickText(kVolumeChangedText));
    if (number > 1 && sampling && LossEndsWriting(offset, number - 1, &sampling)) return;
    if (!ComposeTestFileName(number)) {
      PostSystemError(kErrorNameTooLong, PickText(kCreateText), fileName);
    }
    File file;
    if (unsigned code = file.Open(fileName, File::Mode::kCreateNewReadWrite)) {
      if (TestSession.useAllSpace && IsDiskFull(code)) {
        AcceptEarlyFull();
        return;
      }
      PostSystemError(code, PickText(kCreateText), fileName);
    }
    const uint64_t fileStart = offset;
    const uint64_t endOfFile = std::min(fileStart + TEST_FILE_SIZE, endOfData);
    while (offset < endOfFile) {
      if (progress.stopRequested) return;  // the file is closed, not flushed
      FillPattern(offset);
      if (unsigned code = file.WriteWhole(TestSession.ioBuffer, kBytesPerMB)) {
        if (TestSession.useAllSpace && IsDiskFull(code)) {
          AcceptEarlyFull();
          endOfData = offset;
          break;
        }
        PostSystemError(code, PickText(kWriteText), fileName,
                        static_cast<unsigned long long>(offset - fileStart));
      }
      offset += kBytesPerMB;
      std::lock_guard<std::mutex> guard(TestSession.lock);
      ++progress.writtenMB;
      progress.writeNowTime = PerfCounter();
    }
    if (unsigned code = file.Sync()) PostSystemError(code, PickText(kFlushText), fileName);
    if (unsigned code = file.Close()) PostSystemError(code, PickText(kCloseText), fileName);
  }
}
