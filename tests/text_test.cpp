#include "platform/text.h"

#include <gtest/gtest.h>

TEST(FormatText, CutsAtTheCapacityAndAlwaysTerminates) {
  wchar_t buffer[8];
  for (wchar_t& c : buffer) c = L'#';
  EXPECT_FALSE(FormatText(buffer, 8, L"无法%ls %llx", L"打开文件", 0x1fULL));
  EXPECT_EQ(std::wstring(buffer), L"无法打开文件 ");

  EXPECT_TRUE(FormatText(buffer, 8, L"%ls", L"1234567"));
  EXPECT_EQ(std::wstring(buffer), L"1234567");
  EXPECT_FALSE(FormatText(buffer, 8, L"%ls", L"12345678"));
  EXPECT_EQ(std::wstring(buffer), L"1234567");
}

TEST(FixedText, HoldsNoneUntilSetAndCutsLongTexts) {
  FixedText<4> text;
  EXPECT_EQ(text.Get(), nullptr);
  text.Set(L"");
  ASSERT_NE(text.Get(), nullptr);
  EXPECT_EQ(std::wstring(text.Get()), L"");
  text.Set(L"警告警告");
  EXPECT_EQ(std::wstring(text.Get()), L"警告警");
  text.Clear();
  EXPECT_EQ(text.Get(), nullptr);
}

TEST(PathEncoding, EveryByteSequenceSurvivesTheRoundTrip) {
  const std::string cases[] = {
      "/media/usb",
      "/media/U盘 测试/数据",
      "/tmp/line\nbreak",
      "/tmp/\xff\xfe latin1 \xe9",    // not UTF-8 at all
      "/tmp/\xe6\xb5",                // a sequence cut short
      "/tmp/\xed\xa0\x80 surrogate",  // an encoded surrogate is not valid UTF-8
      "/tmp/\xc0\xaf overlong",
      "/tmp/\xf0\x9f\x98\x80 emoji",
  };
  for (const std::string& bytes : cases) {
    EXPECT_EQ(Utf8FromWide(WideFromUtf8(bytes).c_str()), bytes);
  }
  EXPECT_EQ(WideFromUtf8("/media/U盘"), L"/media/U盘");
  EXPECT_EQ(WideFromUtf8("\xf0\x9f\x98\x80"), std::wstring(1, static_cast<wchar_t>(0x1F600)));
  // For readers that take UTF-8 only, every byte that was not is shown as U+FFFD.
  EXPECT_EQ(ValidUtf8FromWide(WideFromUtf8("U盘\xff\xe6\xb5/\xe9").c_str()),
            "U盘\uFFFD\uFFFD\uFFFD/\uFFFD");
}
