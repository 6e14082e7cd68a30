#include "platform/text.h"

#include <cwchar>

static_assert(sizeof(wchar_t) == 4, "wide texts are UTF-32 on this platform");

bool FormatTextV(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args) {
  if (capacity == 0) return false;
  int written = vswprintf(buffer, capacity, format, args);
  buffer[capacity - 1] = L'\0';  // vswprintf leaves the buffer's end unspecified when cut short
  return written >= 0;
}

bool FormatText(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  bool fits = FormatTextV(buffer, capacity, format, args);
  va_end(args);
  return fits;
}

bool CopyText(wchar_t* buffer, size_t capacity, const wchar_t* text) {
  if (capacity == 0) return false;
  size_t length = wcslen(text);
  bool fits = length < capacity;
  if (!fits) length = capacity - 1;
  wmemcpy(buffer, text, length);
  buffer[length] = L'\0';
  return fits;
}

namespace {

constexpr char32_t kEscapeBase = 0xDC00;  // U+DC80..U+DCFF stand for the raw bytes 0x80..0xFF

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one well-formed UTF-8 sequence at `bytes[i]`; returns its length, or 0 if malformed.
size_t DecodeUtf8(const std::string& bytes, size_t i, char32_t* c) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
  unsigned char lead = byte(i);
  size_t length = 0;
  if (lead < 0x80) {
    length = 1;
  } else if (lead >= 0xC2 && lead < 0xE0) {
    length = 2;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3;
  } else if (lead >= 0xF0 && lead < 0xF5) {
    length = 4;
  }
  if (length == 0 || i + length > bytes.size()) return 0;
  char32_t value = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) {
    return 0;
  }
  *c = value;
  return length;
}

// UTF-8 of `text`, with each escaped byte given back as it was or replaced by U+FFFD.
std::string EncodeUtf8(const wchar_t* text, bool rawBytes) {
  std::string out;
  for (; *text != L'\0'; ++text) {
    char32_t c = static_cast<char32_t>(*text);
    if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
      if (rawBytes) {
        out += static_cast<char>(c - kEscapeBase);
      } else {
        AppendUtf8(out, 0xFFFD);
      }
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

}  // namespace

std::string Utf8FromWide(const wchar_t* text) { return EncodeUtf8(text, true); }

std::string ValidUtf8FromWide(const wchar_t* text) { return EncodeUtf8(text, false); }

std::wstring WideFromUtf8(const std::string& bytes) {
  std::wstring out;
  for (size_t i = 0; i < bytes.size();) {
    char32_t c;
    size_t length = DecodeUtf8(bytes, i, &c);
    if (length == 0) {
      out += static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(bytes[i]));
      i += 1;
    } else {
      out += static_cast<wchar_t>(c);
      i += length;
    }
  }
  return out;
}
