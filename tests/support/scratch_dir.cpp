#include "tests/support/scratch_dir.h"

#include <stdlib.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>

#include "platform/text.h"

namespace {
constexpr uint32_t kTmpfsMagic = 0x01021994;
}

std::string WhyNoMemoryFileSystem() {
  struct statfs status;
  if (statfs(kMemoryFileSystem, &status) != 0) return std::string(kMemoryFileSystem) + " missing";
  if (static_cast<uint32_t>(status.f_type) != kTmpfsMagic) {
    return std::string(kMemoryFileSystem) + " is not a memory file system here";
  }
  if (access(kMemoryFileSystem, W_OK) != 0) return std::string(kMemoryFileSystem) + " not writable";
  return "";
}

ScratchDir::ScratchDir() : ScratchDir(KESTRUM_SCRATCH_DIR) {}

ScratchDir::ScratchDir(const std::string& parent) {
  std::filesystem::create_directories(parent);
  std::string pattern = parent + "/testXXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;  // a test that failed may have left anything behind
  std::filesystem::remove_all(path_, ignored);
}

std::wstring ScratchDir::widePath() const { return WideFromUtf8(path_); }
