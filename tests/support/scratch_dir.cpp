#include "tests/support/scratch_dir.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

#include "platform/text.h"

ScratchDir::ScratchDir() {
  std::filesystem::create_directories(KESTRUM_SCRATCH_DIR);
  std::string pattern = std::string(KESTRUM_SCRATCH_DIR) + "/testXXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;  // a test that failed may have left anything behind
  std::filesystem::remove_all(path_, ignored);
}

std::wstring ScratchDir::widePath() const { return WideFromUtf8(path_); }
