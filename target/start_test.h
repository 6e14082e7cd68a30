// Starting a test from the main dialog's choices: checks the target directory and the size,
// refuses with a message or notes what the run will not cover or cannot prove (reads that a
// cache beyond this program's reach may answer), stores the run's parameters in
// TestSession and has the progress dialog run it. Knows no toolkit: the user interface lends
// its message boxes and its progress dialog through StartTestHost. User-interface thread.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/dialog_controls.h"

enum class MessageKind {
  kRefusal,  // the error icon
  kNote,     // the warning icon
};

class StartTestHost {
 public:
  virtual ~StartTestHost() = default;
  // Shows `text` modally with an OK button only.
  virtual void ShowMessage(const wchar_t* text, MessageKind kind) = 0;
  // Prepares and runs the test in the progress dialog; returns when the dialog has closed.
  virtual void RunProgressDialog() = 0;
};

// `write`: a write-and-verify test, else verify only. Reads IDC_ALL_SPACE, IDC_SIZE_MB and
// IDC_ENDLESS of `dialog`.
void StartTest(DialogControls& dialog, StartTestHost& host, bool write);

// The size typed into the size field, in MByte: digits only, nothing else. Empty or anything
// that is not a plain decimal number gives nothing; a number beyond 64 bits gives the largest.
std::optional<uint64_t> ParseSizeMB(const std::wstring& text);
