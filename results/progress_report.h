// Rendering a run into the progress dialog: the amount, time and speed of each pass that has
// begun, the result report once a damaged sector is found (or else the message that ended the
// run), and the position of the progress bar. User-interface thread, once a second and once at
// the end; the shared progress is read through one copy.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/test_session.h"
#include "results/progress_dialog.h"

// The report and a message with its warning are composed into buffers that hold the longest
// message, the longest warning and the widest report together, so nothing is ever cut.
inline constexpr size_t kReportChars = kMessageChars + kWarningChars + 1000;

inline constexpr const wchar_t* kVersionLine = L"Kestrum  V1.4\r\n";

// Renders the current progress; `message` (or null) is the error that ended the run.
void UpdateProgress(ProgressDialogState& dialog, const wchar_t* message);

// The eleven-line result report of `progress`, headed by `message` and `warning` (either may
// be null), into `buffer` of kReportChars.
void FormatResultReport(wchar_t* buffer, const TestProgress& progress, const wchar_t* message,
                        const wchar_t* warning);

// "" for exactly one, else "s" (Language 1) or "en" (Language 0), behind the word for sectors.
const wchar_t* PluralSuffix(uint64_t count);

// The share of the run's work done, 0 to 100.
int ProgressPosition(const TestProgress& progress);
