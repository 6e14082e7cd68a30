#include "engine/engine_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "tests/support/session.h"

namespace {

class EngineError : public testing::Test {
 protected:
  void SetUp() override { ResetSession(); }

  std::wstring ErrorText() { return TestSession.errorText.Get(); }
};

}  // namespace

TEST_F(EngineError, StripsOneTrailingLineBreakOnly) {
  const struct {
    const wchar_t* text;
    const wchar_t* stripped;
  } cases[] = {
      {L"Access is denied.\r\n", L"Access is denied."},
      {L"two\r\n\r\n", L"two\r\n"},
      {L"line feed only\n", L"line feed only\n"},
      {L"\r\n", L""},
      {L"\n", L"\n"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    std::wstring text = c.text;
    StripTrailingLineBreak(text.data());
    EXPECT_EQ(std::wstring(text.c_str()), c.stripped);
  }
}

TEST_F(EngineError, SystemErrorAddsTheDescriptionAndTheCodeInDecimal) {
  const TextPair message = {L"无法创建文件 '%ls'", L"無法創建檔案 '%ls'"};
  for (int language : {0, 1}) {
    Language = language;
    EXPECT_THROW(PostSystemError(EIO, PickText(message), L"/media/usb/1.kst"), WorkerExit);
    const std::wstring expected = std::wstring(language == 1 ? L"無法創建檔案" : L"无法创建文件") +
                                  L" '/media/usb/1.kst'\r\n(" + SystemText(EIO) + L" Code 5)\r\n";
    EXPECT_EQ(ErrorText(), expected);
  }
}

TEST_F(EngineError, EngineErrorStoresTheMessageCutToItsBuffer) {
  EXPECT_THROW(PostEngineError(L"预期 %llu MByte", 3ULL), WorkerExit);
  EXPECT_EQ(ErrorText(), L"预期 3 MByte");

  const std::wstring huge(5000, L'字');
  EXPECT_THROW(PostEngineError(L"%ls", huge.c_str()), WorkerExit);
  EXPECT_EQ(ErrorText(), huge.substr(0, kMessageChars - 1));
}

TEST_F(EngineError, LanguageOtherThanOneSelectsTheFirstVariant) {
  const TextPair text = {L"简", L"繁"};
  const struct {
    int language;
    const wchar_t* expected;
  } cases[] = {{0, L"简"}, {1, L"繁"}, {2, L"简"}, {-1, L"简"}};
  for (const auto& c : cases) {
    Language = c.language;
    EXPECT_EQ(std::wstring(PickText(text)), c.expected);
  }
}

TEST_F(EngineError, WarningTextIsReplacedAndRemoved) {
  SetWarningText(L"first");
  SetWarningText(L"second");
  EXPECT_EQ(std::wstring(CopyWarningText().Get()), L"second");
  SetWarningText(nullptr);
  EXPECT_EQ(CopyWarningText().Get(), nullptr);
}
