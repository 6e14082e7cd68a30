// Rendering a run into the progress dialog: the amount, time and speed of each pass that has
// begun, the result report once a damaged sector is found (or else the message that ended the
// run, or the line of a loss found while writing), and the position of the progress bar.
// User-interface thread, once a second and once at the end; the shared progress is read through
// one copy.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/test_session.h"
#include "results/progress_dialog.h"

// The notes above a report or a message: the warning, then the line of a loss that a sample
// check of the write pass found.
inline constexpr size_t kLossLineChars = 200;
inline constexpr size_t kNotesChars = kWarningChars + kLossLineChars;

// The report and a message with its notes are composed into buffers that hold the longest
// message, the longest notes and the widest report together, so nothing is ever cut.
inline constexpr size_t kReportChars = kMessageChars + kNotesChars + 1000;

inline constexpr const wchar_t* kVersionLine = L"Kestrum  V1.4\r\n";

// Renders the current progress; `message` (or null) is the error that ended the run.
void UpdateProgress(ProgressDialogState& dialog, const wchar_t* message);

// The eleven-line result report of `progress`, headed by `message` and `notes` (either may be
// null), into `buffer` of kReportChars.
void FormatResultReport(wchar_t* buffer, const TestProgress& progress, const wchar_t* message,
                        const wchar_t* notes);

// The line saying after how many MByte written a sample check found data lost, and whether
// writing ended there, into `buffer` of kLossLineChars; empty when no loss was found.
void FormatLossLine(wchar_t* buffer, const TestProgress& progress);

// "" for exactly one, else "s" (Language 1) or "en" (Language 0), behind the word for sectors.
const wchar_t* PluralSuffix(uint64_t count);

// The share of the run's work done, 0 to 100.
int ProgressPosition(const TestProgress& progress);
