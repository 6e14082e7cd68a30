#include <dirent.h>

#include <cwctype>
#include <memory>
#include <string>

#include "platform/directory.h"
#include "platform/path.h"
#include "platform/text.h"

namespace {

bool SameLetter(wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); }

bool MatchesPattern(const wchar_t* pattern, const wchar_t* name) {
  // Iterative wildcard match: on a mismatch, let the last '*' swallow one more character.
  const wchar_t* star = nullptr;
  const wchar_t* resume = nullptr;
  while (*name != L'\0') {
    if (*pattern == L'*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == L'?' || (*pattern != L'\0' && SameLetter(*pattern, *name))) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == L'*') ++pattern;
  return *pattern == L'\0';
}

}  // namespace

bool FindFirstMatch(const wchar_t* mask) {
  std::wstring directory(mask);
  size_t separator = directory.rfind(kPathSeparator);
  if (separator == std::wstring::npos) return false;
  std::wstring pattern = directory.substr(separator + 1);
  directory.resize(separator == 0 ? 1 : separator);

  std::unique_ptr<DIR, int (*)(DIR*)> stream(opendir(Utf8FromWide(directory.c_str()).c_str()),
                                             closedir);
  if (!stream) return false;
  while (dirent* entry = readdir(stream.get())) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (MatchesPattern(pattern.c_str(), WideFromUtf8(name).c_str())) return true;
  }
  return false;
}
