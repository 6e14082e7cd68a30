// A fresh directory for one test on the disk that holds the build (not a RAM file system),
// or in a parent directory of the test's choice, removed with everything in it when the test
// ends.
#pragma once

#include <string>

// A memory file system that Linux systems mount for everyone: there, no medium ever answers.
inline constexpr const char* kMemoryFileSystem = "/dev/shm";

// Why no scratch directory can be made on kMemoryFileSystem, or empty when one can.
std::string WhyNoMemoryFileSystem();

class ScratchDir {
 public:
  ScratchDir();
  explicit ScratchDir(const std::string& parent);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::wstring widePath() const;
  // The path of `name` inside the directory.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};
