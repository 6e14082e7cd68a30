#include "engine/test_run.h"

#include <new>
#include <system_error>

#include "engine/engine_error.h"
#include "engine/test_session.h"
#include "engine/verify_pass.h"
#include "engine/write_pass.h"
#include "platform/thread_priority.h"

namespace {

// The largest size whose byte count fits in 64 bits.
constexpr uint64_t kLargestSizeMB = (uint64_t{1} << (64 - kMBShift)) - 1;

constexpr TextPair kSpaceUnknownText = {L"无法查询目标路径的可用空间\r\n媒介可能已被移除\r\n",
                                        L"無法查詢目標路徑的可用空間\r\n媒介可能已被移除\r\n"};

void RunPasses() {
  if (TestSession.ioBuffer == nullptr) PostEngineError(PickText(kOutOfMemoryText));
  // A free-space query that failed while the run was prepared leaves no size to test.
  if (TestSession.sizeMB > kLargestSizeMB) PostEngineError(PickText(kSpaceUnknownText));

  const TestProgress& progress = TestSession.progress;
  if (TestSession.doWrite) WritePass();
  if (!TestSession.doVerify || progress.stopRequested) return;
  do {
    VerifyPass();
  } while (!progress.stopRequested && !progress.firstErrorSeen && TestSession.endless);
}

}  // namespace

unsigned RunTest(NotifyTarget* window) {
  TestSession.notifyWindow = window;
  unsigned exitCode = 0;
  try {
    RunPasses();
  } catch (const WorkerExit&) {
    exitCode = 1;
  } catch (const std::bad_alloc&) {
    SetErrorText(PickText(kOutOfMemoryText));  // does not allocate
    exitCode = 1;
  }
  window->Post(WM_TEST_NOTIFY);
  return exitCode;
}

unsigned TestThreadProc(NotifyTarget* window) {
  RaiseCurrentThreadPriority();
  return RunTest(window);
}

bool TestWorker::Start(NotifyTarget* window) {
  try {
    thread_ = std::thread([this, window] { exitCode_ = TestThreadProc(window); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void TestWorker::Join() {
  if (thread_.joinable()) thread_.join();
}
