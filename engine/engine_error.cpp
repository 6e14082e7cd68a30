#include "engine/engine_error.h"

#include <cstdarg>
#include <cwchar>
#include <mutex>

#include "platform/error_text.h"
#include "platform/text.h"

void PostEngineError(const wchar_t* format, ...) {
  wchar_t message[kMessageChars];
  va_list args;
  va_start(args, format);
  FormatTextV(message, kMessageChars, format, args);
  va_end(args);
  SetErrorText(message);
  throw WorkerExit{};
}

void PostSystemError(unsigned code, const wchar_t* format, ...) {
  wchar_t message[kMessageChars];
  va_list args;
  va_start(args, format);
  FormatTextV(message, kMessageChars, format, args);
  va_end(args);

  wchar_t description[kMessageChars];
  SystemErrorText(code, description, kMessageChars);
  StripTrailingLineBreak(description);
  PostEngineError(L"%ls\r\n(%ls Code %u)\r\n", message, description, code);
}

void StripTrailingLineBreak(wchar_t* text) {
  size_t length = wcslen(text);
  if (length >= 2 && text[length - 2] == L'\r' && text[length - 1] == L'\n') {
    text[length - 2] = L'\0';
  }
}

void SetErrorText(const wchar_t* text) { TestSession.errorText.Set(text); }

void SetWarningText(const wchar_t* text) {
  std::lock_guard<std::mutex> guard(TestSession.lock);
  if (text == nullptr) {
    TestSession.warningText.Clear();
  } else {
    TestSession.warningText.Set(text);
  }
}
