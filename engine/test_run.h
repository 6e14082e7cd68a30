// Running one test on a worker thread: the write pass if the run has one, then one verify pass
// or, in endless mode, passes until a stop or the first wrong bit; at the end exactly one
// WM_TEST_NOTIFY to the window that started it. The user interface prepares the run
// (PrepareRun) before it starts the worker, reads the outcome from TestSession only after the
// notification, and asks for a stop only through progress.stopRequested.
#pragma once

#include <thread>

#include "platform/notify.h"

inline constexpr unsigned WM_TEST_NOTIFY = 0x500;

// Runs the passes of one run on the calling thread and posts WM_TEST_NOTIFY to `window` once,
// after its last write to TestSession. Returns 0 after a completed or stopped run, 1 after an
// error (TestSession.errorText then holds the message). Must not run twice at the same time.
unsigned RunTest(NotifyTarget* window);

// The worker's thread procedure: raises its own priority, then RunTest.
unsigned TestThreadProc(NotifyTarget* window);

// The worker thread of one run. Its owner starts it after PrepareRun and joins it once the
// notification has arrived; destroying a started worker joins it, so no worker outlives its
// owner or TestSession.
class TestWorker {
 public:
  TestWorker() = default;
  ~TestWorker() { Join(); }
  TestWorker(const TestWorker&) = delete;
  TestWorker& operator=(const TestWorker&) = delete;

  // Starts TestThreadProc for `window`. Returns false when no thread can be started; no
  // notification will then come. REQUIRES: not started.
  bool Start(NotifyTarget* window);
  // Waits for the thread to end. Does nothing if it was never started or is joined already.
  void Join();
  // The thread's exit code. REQUIRES: joined after a successful Start.
  unsigned ExitCode() const { return exitCode_; }

 private:
  std::thread thread_;
  unsigned exitCode_ = 0;
};
