// Putting the one TestSession into a known state, and running a whole test through the real
// worker thread the way the progress dialog does.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/test_session.h"

// Everything back to program start, the target set to `target` (none if empty), the system's
// own volume queries and file caching restored.
void ResetSession(const std::wstring& target = L"");

struct RunOptions {
  bool doWrite = true;
  bool doVerify = true;
  bool endless = false;
  uint64_t sizeMB = 0;  // 0: all free space
};

struct RunOutcome {
  unsigned exitCode;
  std::vector<unsigned> messages;  // what the worker posted
  TestProgress progress;           // copied after the notification
  std::optional<std::wstring> errorText;
  uint64_t sizeMB;
};

// Stores the options as the start of a test does (SetTestSize, flags), prepares the run,
// starts the worker and waits for its notification. `whileRunning`, if given, runs on this
// thread after the start (to request a stop, for instance).
RunOutcome RunWithWorker(const RunOptions& options, const std::function<void()>& whileRunning = {});

// Runs one pass on this thread, as the worker would. Returns the text of the error that ended
// it, or nothing when the pass returned.
std::optional<std::wstring> RunPass(void (*pass)());

// A text formatted as the engine formats its messages ("%ls" for a wide string).
std::wstring Format(const wchar_t* format, ...);

// The text of the system's description of `code` as the engine quotes it.
std::wstring SystemText(unsigned code);
