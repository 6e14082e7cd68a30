#include <string.h>

#include <cwchar>

#include "platform/error_text.h"
#include "platform/text.h"

void SystemErrorText(unsigned code, wchar_t* buffer, size_t capacity) {
  char bytes[512];
  // The GNU strerror_r returns the text, which need not be in `bytes`.
  const char* text = strerror_r(static_cast<int>(code), bytes, sizeof bytes);
  // The text is in the locale's encoding; decode it that way and fall back to UTF-8.
  mbstate_t state{};
  const char* source = text;
  size_t length = mbsrtowcs(buffer, &source, capacity, &state);
  if (length == static_cast<size_t>(-1)) {
    CopyText(buffer, capacity, WideFromUtf8(text).c_str());
  } else if (capacity > 0) {
    buffer[capacity - 1] = L'\0';
  }
}
