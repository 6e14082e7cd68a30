// Another process that holds a file open under an exclusive lock, as a second program using a
// test file would, until the holder is destroyed.
#pragma once

#include <sys/types.h>

#include <string>

class OtherProcessHoldingFile {
 public:
  explicit OtherProcessHoldingFile(const std::string& path);
  ~OtherProcessHoldingFile();
  OtherProcessHoldingFile(const OtherProcessHoldingFile&) = delete;
  OtherProcessHoldingFile& operator=(const OtherProcessHoldingFile&) = delete;

 private:
  pid_t child_ = -1;
  int release_ = -1;  // closing it lets the child end
};
