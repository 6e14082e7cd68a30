#include "engine/test_file_name.h"

#include "engine/test_session.h"
#include "platform/path.h"
#include "platform/text.h"

const wchar_t* TestFileSeparator() {
  const std::wstring& path = *TestSession.targetPath;
  return !path.empty() && path.back() == kPathSeparator ? L"" : kPathSeparatorText;
}

bool TestFileNamesFit() {
  wchar_t longest[kFileNameChars];
  return FormatText(longest, kFileNameChars, L"%ls%ls%llu.kst", TestSession.targetPath->c_str(),
                    TestFileSeparator(), ~0ull);
}

bool ComposeTestFileName(uint64_t number) {
  return FormatText(TestSession.fileName, kFileNameChars, L"%ls%ls%llu.kst",
                    TestSession.targetPath->c_str(), TestFileSeparator(),
                    static_cast<unsigned long long>(number));
}
