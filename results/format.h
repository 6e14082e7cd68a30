// The formatters of durations, speeds, sizes and the time of a pass: the only producers of such
// texts. Each writes a terminated wide text into its caller's buffer. The decimal separator is
// a comma with Language 0 and a point with Language 1, whatever the system's locale.
// User-interface thread.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr size_t kSizeTextChars = 20;     // FormatSize's buffer; 16 characters at most
inline constexpr size_t kSpeedTextChars = 1000;  // FormatSpeed's and FormatPassTime's buffers

// "59 s", "1:00 min", "25:01:01 h".
void FormatDuration(wchar_t* buffer, size_t capacity, uint64_t seconds);

// MByte done between counter values `startTicks` and `nowTicks`, as "512 KByte/s",
// "5,00 MByte/s" or "1,95 GByte/s"; 0 when no time has passed.
void FormatSpeed(wchar_t* buffer, uint64_t doneMB, uint64_t startTicks, uint64_t nowTicks,
                 uint64_t frequency);

// A byte count as "1023,9 KByte", "1 MByte", "16777215,9 TByte": one decimal, truncated.
void FormatSize(wchar_t* buffer, uint64_t bytes);

// The time of a pass from its start to its last progress step; while it runs, followed by the
// estimate of the time left for TestSession.sizeMB MByte, counted to the current counter value.
void FormatPassTime(wchar_t* buffer, uint64_t startTicks, uint64_t lastTicks, uint64_t frequency,
                    bool running, uint64_t doneMB);

// FormatPassTime with the current counter value given.
void FormatPassTimeAt(wchar_t* buffer, uint64_t startTicks, uint64_t lastTicks, uint64_t frequency,
                      bool running, uint64_t doneMB, uint64_t nowTicks);
