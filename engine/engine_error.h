// How a run ends on an error: the worker formats one message, stores it in
// TestSession.errorText and unwinds to its thread procedure, which posts the run's one
// notification (see test_run.h). Also the setters of the session's two texts.
#pragma once

#include <cstddef>

#include "engine/test_session.h"

// Thrown by the error operations; caught only by RunTest. Carries nothing: the message is in
// TestSession.errorText by then.
struct WorkerExit {};

// Formats the message (wide printf: "%ls" for a wide string) into 1000 characters, stores it
// as errorText and ends the run. Worker thread, with no lock held.
[[noreturn]] void PostEngineError(const wchar_t* format, ...);

// The same, with the system's description of `code` and the code added on lines of their own:
// "<message>\r\n(<description> Code <code>)\r\n". `code` is the errno the failing call gave.
[[noreturn]] void PostSystemError(unsigned code, const wchar_t* format, ...);

// Removes one trailing CR LF from `text`, if it ends with one.
void StripTrailingLineBreak(wchar_t* text);

void SetErrorText(const wchar_t* text);
// Replaces the warning under the lock, since the user interface may read it during a run.
// Null removes it.
void SetWarningText(const wchar_t* text);

// The message of a run that could not get the memory it needs.
inline constexpr TextPair kOutOfMemoryText = {
    L"内存不足, 测试无法继续\r\n已检查的数据的结果保持不变\r\n",
    L"内存不足, 測試無法繼續\r\n已檢查的數據的結果保持不變\r\n"};
