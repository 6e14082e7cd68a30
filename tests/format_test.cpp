#include "results/format.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/test_session.h"
#include "tests/support/session.h"

namespace {

constexpr uint64_t kFrequency = 10000000;  // ticks per second in these examples
constexpr uint64_t kStart = 123456789000;  // any counter value

std::wstring Duration(uint64_t seconds) {
  wchar_t text[100];
  FormatDuration(text, 100, seconds);
  return text;
}

// `doneMB` in `ticks` of kFrequency.
std::wstring Speed(uint64_t doneMB, uint64_t ticks) {
  wchar_t text[kSpeedTextChars];
  FormatSpeed(text, doneMB, kStart, kStart + ticks, kFrequency);
  return text;
}

std::wstring Size(uint64_t bytes) {
  wchar_t text[kSizeTextChars];
  FormatSize(text, bytes);
  return text;
}

// A pass that reached `doneMB` after `lastTicks`, looked at `nowTicks` after its start.
std::wstring PassTime(bool running, uint64_t doneMB, uint64_t lastTicks, uint64_t nowTicks) {
  wchar_t text[kSpeedTextChars];
  FormatPassTimeAt(text, kStart, kStart + lastTicks, kFrequency, running, doneMB,
                   kStart + nowTicks);
  return text;
}

struct FormatCase {
  const char* name;
  std::function<std::wstring()> format;
  const wchar_t* language0;
  const wchar_t* language1;
};

class Formatting : public testing::Test {
 protected:
  void SetUp() override { ResetSession(); }
  void TearDown() override { ResetSession(); }
};

template <size_t N>
void ExpectTexts(const FormatCase (&cases)[N]) {
  for (const FormatCase& c : cases) {
    Language = 0;
    EXPECT_EQ(c.format(), c.language0) << c.name;
    Language = 1;
    EXPECT_EQ(c.format(), c.language1) << c.name;
  }
}

}  // namespace

TEST_F(Formatting, Durations) {
  const FormatCase cases[] = {
      {"0", [] { return Duration(0); }, L"0 s", L"0 s"},
      {"59", [] { return Duration(59); }, L"59 s", L"59 s"},
      {"60", [] { return Duration(60); }, L"1:00 min", L"1:00 min"},
      {"61", [] { return Duration(61); }, L"1:01 min", L"1:01 min"},
      {"3599", [] { return Duration(3599); }, L"59:59 min", L"59:59 min"},
      {"3600", [] { return Duration(3600); }, L"1:00:00 h", L"1:00:00 h"},
      {"3661", [] { return Duration(3661); }, L"1:01:01 h", L"1:01:01 h"},
      {"90061", [] { return Duration(90061); }, L"25:01:01 h", L"25:01:01 h"},
      {"largest", [] { return Duration(UINT64_MAX); }, L"5124095576030431:00:15 h",
       L"5124095576030431:00:15 h"},
  };
  ExpectTexts(cases);
}

TEST_F(Formatting, Speeds) {
  const FormatCase cases[] = {
      {"nothing done", [] { return Speed(0, kFrequency); }, L"0,00 KByte/s", L"0.00 KByte/s"},
      {"no time passed", [] { return Speed(7, 0); }, L"0,00 KByte/s", L"0.00 KByte/s"},
      {"1 MByte in 2 s", [] { return Speed(1, 2 * kFrequency); }, L"512 KByte/s", L"512 KByte/s"},
      {"1 MByte in 10 s", [] { return Speed(1, 10 * kFrequency); }, L"102 KByte/s", L"102 KByte/s"},
      {"5 MByte in 1 s", [] { return Speed(5, kFrequency); }, L"5,00 MByte/s", L"5.00 MByte/s"},
      {"10 MByte in 1 s", [] { return Speed(10, kFrequency); }, L"10,0 MByte/s", L"10.0 MByte/s"},
      {"1000 KByte/s", [] { return Speed(1000, 1024 * kFrequency); }, L"0,98 MByte/s",
       L"0.98 MByte/s"},
      {"2000 MByte in 1 s", [] { return Speed(2000, kFrequency); }, L"1,95 GByte/s",
       L"1.95 GByte/s"},
      // The precision is chosen before rounding.
      {"99.96 KByte/s", [] { return Speed(1, 102441000); }, L"100,0 KByte/s", L"100.0 KByte/s"},
      {"9.996 MByte/s", [] { return Speed(10, 10004000); }, L"10,00 MByte/s", L"10.00 MByte/s"},
      {"999.9 KByte/s", [] { return Speed(999, 1023 * kFrequency); }, L"1000 KByte/s",
       L"1000 KByte/s"},
  };
  ExpectTexts(cases);
}

TEST_F(Formatting, SizesAreTruncatedToOneDecimal) {
  const FormatCase cases[] = {
      {"0", [] { return Size(0); }, L"0 KByte", L"0 KByte"},
      {"1024", [] { return Size(1024); }, L"1 KByte", L"1 KByte"},
      {"1", [] { return Size(1); }, L"0,0 KByte", L"0.0 KByte"},
      {"512", [] { return Size(512); }, L"0,5 KByte", L"0.5 KByte"},
      {"1023", [] { return Size(1023); }, L"0,9 KByte", L"0.9 KByte"},
      {"512512", [] { return Size(512512); }, L"500,5 KByte", L"500.5 KByte"},
      {"1048575", [] { return Size(1048575); }, L"1023,9 KByte", L"1023.9 KByte"},
      {"1048576", [] { return Size(1048576); }, L"1 MByte", L"1 MByte"},
      {"1572864", [] { return Size(1572864); }, L"1,5 MByte", L"1.5 MByte"},
      {"1073741824", [] { return Size(1073741824); }, L"1 GByte", L"1 GByte"},
      {"4000000000", [] { return Size(4000000000); }, L"3,7 GByte", L"3.7 GByte"},
      {"2^40", [] { return Size(uint64_t{1} << 40); }, L"1 TByte", L"1 TByte"},
      {"largest", [] { return Size(UINT64_MAX); }, L"16777215,9 TByte", L"16777215.9 TByte"},
  };
  ExpectTexts(cases);
}

TEST_F(Formatting, PassTimesWithTheRemainingTime) {
  TestSession.sizeMB = 1000;
  const FormatCase cases[] = {
      {"running: 100 of 1000 MByte after 20 s, 0.5 s later",
       [] { return PassTime(true, 100, 20 * kFrequency, 20 * kFrequency + kFrequency / 2); },
       L"20 s (剩余 2:59 min)", L"20 s (剩餘 2:59 min)"},
      {"the same pass ended",
       [] { return PassTime(false, 100, 20 * kFrequency, 20 * kFrequency + kFrequency / 2); },
       L"20 s", L"20 s"},
      {"running, nothing done yet, 0.5 s after the start",
       [] { return PassTime(true, 0, 0, kFrequency / 2); }, L"0 s (剩余 0 s)", L"0 s (剩餘 0 s)"},
      // Past the expected end the remaining time stays at 0 s instead of running negative.
      {"running, nothing done 3 s after the start",
       [] { return PassTime(true, 0, 0, 3 * kFrequency); }, L"0 s (剩余 0 s)", L"0 s (剩餘 0 s)"},
      {"stalled an hour past the expected end",
       [] { return PassTime(true, 1000, 10 * kFrequency, 3610 * kFrequency); }, L"10 s (剩余 0 s)",
       L"10 s (剩餘 0 s)"},
  };
  ExpectTexts(cases);
}

TEST_F(Formatting, RemainingTimeFollowsTheTestSize) {
  // A medium full early lowers the size while the pass runs.
  TestSession.sizeMB = 200;
  EXPECT_EQ(PassTime(true, 100, 20 * kFrequency, 20 * kFrequency), L"20 s (剩余 20 s)");
  TestSession.sizeMB = 0xFFFFFFFFFFFFFFFF;  // an unknown size must not overflow the estimate
  EXPECT_EQ(PassTime(true, 1, kFrequency, kFrequency), L"1 s (剩余 277777777777777:46:40 h)");
}
