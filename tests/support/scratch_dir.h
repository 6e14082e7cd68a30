// A fresh directory for one test on the disk that holds the build (not a RAM file system),
// removed with everything in it when the test ends.
#pragma once

#include <string>

class ScratchDir {
 public:
  ScratchDir();
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
