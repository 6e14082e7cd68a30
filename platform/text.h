// Wide texts: bounded printf-style formatting into fixed buffers, a fixed-capacity text that
// never allocates, and the UTF-8 conversion used where a path meets the file system.
// Any thread; nothing here keeps state.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

// Formats like vswprintf ("%ls" for a wide string) into `buffer` of `capacity` characters.
// A text that does not fit is cut at the capacity; the buffer is always terminated.
// Returns true when the whole text fit.
bool FormatTextV(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args);
bool FormatText(wchar_t* buffer, size_t capacity, const wchar_t* format, ...);

// Copies `text` into `buffer` (cut and terminated like FormatText). Returns true when it fit.
bool CopyText(wchar_t* buffer, size_t capacity, const wchar_t* text);

// A text of at most N - 1 characters, or none. Setting it never allocates, so it can hold the
// report of a run that failed for want of memory.
template <size_t N>
class FixedText {
 public:
  void Set(const wchar_t* text) {
    CopyText(text_, N, text);
    present_ = true;
  }
  void Clear() { present_ = false; }
  // The text, or null when there is none.
  const wchar_t* Get() const { return present_ ? text_ : nullptr; }

 private:
  wchar_t text_[N] = {};
  bool present_ = false;
};

// Path bytes <-> wide text. Bytes that are not valid UTF-8 map to U+DC80..U+DCFF and back,
// so every name the file system holds survives the round trip unchanged.
std::string Utf8FromWide(const wchar_t* text);
std::wstring WideFromUtf8(const std::string& bytes);
// The same text as valid UTF-8 for readers that require it (JSON): each byte that was not valid
// UTF-8 becomes U+FFFD.
std::string ValidUtf8FromWide(const wchar_t* text);
