#include "results/format.h"

#include <charconv>
#include <cmath>

#include "engine/test_session.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace {

wchar_t DecimalSeparator() { return Language == 1 ? L'.' : L','; }

// "%.<decimals>f" of `value`, with the separator of the current Language. Formatted without
// the C locale functions, so the system's locale cannot change the text.
std::wstring FixedDecimals(double value, int decimals) {
  char digits[64];
  const std::to_chars_result result =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
  std::wstring text(digits, result.ptr);
  for (wchar_t& c : text) {
    if (c == L'.') c = DecimalSeparator();
  }
  return text;
}

}  // namespace

void FormatDuration(wchar_t* buffer, size_t capacity, uint64_t seconds) {
  using ull = unsigned long long;
  if (seconds < 60) {
    FormatText(buffer, capacity, L"%llu s", static_cast<ull>(seconds));
  } else if (seconds < 3600) {
    FormatText(buffer, capacity, L"%llu:%02llu min", static_cast<ull>(seconds / 60),
               static_cast<ull>(seconds % 60));
  } else {
    FormatText(buffer, capacity, L"%llu:%02llu:%02llu h", static_cast<ull>(seconds / 3600),
               static_cast<ull>(seconds % 3600 / 60), static_cast<ull>(seconds % 60));
  }
}

void FormatSpeed(wchar_t* buffer, uint64_t doneMB, uint64_t startTicks, uint64_t nowTicks,
                 uint64_t frequency) {
  double speed = 0;  // KByte per second
  if (nowTicks != startTicks) {
    speed = static_cast<double>(doneMB) /
            (static_cast<double>(nowTicks) - static_cast<double>(startTicks)) *
            static_cast<double>(frequency) * 1024;
  }
  const wchar_t* unit = L"KByte/s";
  if (speed >= 1000) {
    speed *= 0.0009765625;
    unit = L"MByte/s";
    if (speed >= 1000) {
      speed *= 0.0009765625;
      unit = L"GByte/s";
    }
  }
  // The precision follows the value before rounding: 99.96 shows as 100.0.
  const int decimals = speed >= 100 ? 0 : speed >= 10 ? 1 : 2;
  FormatText(buffer, kSpeedTextChars, L"%ls %ls", FixedDecimals(speed, decimals).c_str(), unit);
}

void FormatSize(wchar_t* buffer, uint64_t bytes) {
  wchar_t letter;
  uint64_t scaled;
  if (bytes < 0x100000) {
    letter = L'K';
    scaled = bytes;
  } else if (bytes < 0x40000000) {
    letter = L'M';
    scaled = bytes >> 10;
  } else if (bytes < 0x10000000000) {
    letter = L'G';
    scaled = bytes >> 20;
  } else {
    letter = L'T';
    scaled = bytes >> 30;
  }
  const unsigned long long whole = scaled >> 10;
  const uint64_t remainder = scaled % 1024;
  if (remainder == 0) {
    FormatText(buffer, kSizeTextChars, L"%llu %lcByte", whole, letter);
  } else {
    const unsigned long long digit = (remainder * 10) >> 10;  // truncated, never rounded
    FormatText(buffer, kSizeTextChars, L"%llu%lc%llu %lcByte", whole, DecimalSeparator(), digit,
               letter);
  }
}

void FormatPassTime(wchar_t* buffer, uint64_t startTicks, uint64_t lastTicks, uint64_t frequency,
                    bool running, uint64_t doneMB) {
  FormatPassTimeAt(buffer, startTicks, lastTicks, frequency, running, doneMB,
                   static_cast<uint64_t>(PerfCounter()));
}

void FormatPassTimeAt(wchar_t* buffer, uint64_t startTicks, uint64_t lastTicks, uint64_t frequency,
                      bool running, uint64_t doneMB, uint64_t nowTicks) {
  const uint64_t elapsedTicks = lastTicks - startTicks;
  const uint64_t elapsedSeconds = frequency == 0 ? 0 : elapsedTicks / frequency;
  if (!running) {
    FormatDuration(buffer, kSpeedTextChars, elapsedSeconds);
    return;
  }
  constexpr size_t kPartChars = 100;
  wchar_t elapsed[kPartChars];
  FormatDuration(elapsed, kPartChars, elapsedSeconds);

  const uint64_t doneOrOneMB = doneMB == 0 ? 1 : doneMB;
  const double estimate =
      (static_cast<double>(elapsedTicks) * static_cast<double>(TestSession.sizeMB.get()) /
           static_cast<double>(doneOrOneMB) +
       static_cast<double>(startTicks) - static_cast<double>(nowTicks)) /
      static_cast<double>(frequency);
  // Past the expected end (a stalled medium) the pass is due now: the estimate stays at 0 s
  // rather than counting below zero. The upper bound only keeps the conversion defined.
  const double seconds = std::trunc(estimate);
  const uint64_t remainingSeconds = !(seconds > 0)    ? 0
                                    : seconds >= 1e18 ? uint64_t{1000000000000000000}
                                                      : uint64_t(seconds);
  wchar_t remaining[kPartChars];
  FormatDuration(remaining, kPartChars, remainingSeconds);
  FormatText(buffer, kSpeedTextChars, Language == 1 ? L"%ls (剩餘 %ls)" : L"%ls (剩余 %ls)",
             elapsed, remaining);
}
