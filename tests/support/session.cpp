#include "tests/support/session.h"

#include <gtest/gtest.h>

#include <cstdarg>

#include "engine/engine_error.h"
#include "engine/test_run.h"
#include "engine/test_size.h"
#include "platform/error_text.h"
#include "platform/file.h"
#include "platform/text.h"
#include "platform/volume.h"
#include "target/prepare_run.h"
#include "target/test_files.h"
#include "tests/support/notify_recorder.h"

void ResetSession(const std::wstring& target) {
  SetVolumeSpaceQueryForTesting({});
  File::ForceCachedIoForTesting(false);
  Language = 0;
  SetTargetPath(target.empty() ? nullptr : target.c_str());
  TestSession.sizeMB = 0;
  TestSession.useAllSpace = false;
  TestSession.fileName[0] = L'\0';
  TestSession.errorText.Clear();
  SetWarningText(nullptr);
  TestSession.doWrite = TestSession.doVerify = TestSession.endless = false;
  TestSession.writeOnAfterLoss = false;
  TestSession.progress = TestProgress();
  TestSession.aliasMap.Clear();
  TestSession.notifyWindow = nullptr;
}

RunOutcome RunWithWorker(const RunOptions& options, const std::function<void()>& whileRunning) {
  SetTestSize(options.sizeMB);
  TestSession.doWrite = options.doWrite;
  TestSession.doVerify = options.doVerify;
  TestSession.endless = options.endless;
  PrepareRun();

  NotifyRecorder recorder;
  TestWorker worker;
  RunOutcome outcome{};
  if (!worker.Start(&recorder)) {
    ADD_FAILURE() << "the worker thread did not start";
    return outcome;
  }
  if (whileRunning) whileRunning();
  EXPECT_TRUE(recorder.WaitForMessage()) << "no notification from the worker";
  worker.Join();

  outcome.exitCode = worker.ExitCode();
  outcome.messages = recorder.Messages();
  outcome.progress = CopyProgress();
  if (const wchar_t* text = TestSession.errorText.Get()) outcome.errorText = text;
  outcome.sizeMB = TestSession.sizeMB;
  return outcome;
}

std::optional<std::wstring> RunPass(void (*pass)()) {
  try {
    pass();
  } catch (const WorkerExit&) {
    return std::wstring(TestSession.errorText.Get());
  }
  return std::nullopt;
}

std::wstring Format(const wchar_t* format, ...) {
  wchar_t text[kMessageChars];
  va_list args;
  va_start(args, format);
  FormatTextV(text, kMessageChars, format, args);
  va_end(args);
  return text;
}

std::wstring SystemText(unsigned code) {
  wchar_t text[kMessageChars];
  SystemErrorText(code, text, kMessageChars);
  return text;
}
