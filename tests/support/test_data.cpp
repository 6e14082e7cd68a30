#include "tests/support/test_data.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "engine/pattern.h"
#include "engine/test_session.h"

namespace {

struct Fd {
  explicit Fd(const std::string& path, int flags) : fd(open(path.c_str(), flags, 0644)) {
    if (fd < 0) throw std::runtime_error("cannot open " + path);
  }
  ~Fd() { close(fd); }
  int fd;
};

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(what);
}

}  // namespace

void WritePatternFile(const std::string& path, uint64_t offset, uint64_t sizeMB) {
  Fd file(path, O_WRONLY | O_CREAT | O_EXCL);
  for (uint64_t mb = 0; mb < sizeMB; ++mb, offset += kBytesPerMB) {
    FillPattern(offset);
    Check(write(file.fd, TestSession.ioBuffer, kBytesPerMB) == kBytesPerMB, "write");
  }
}

void PatchFile(const std::string& path, uint64_t position, const void* data, size_t bytes) {
  Fd file(path, O_WRONLY);
  Check(pwrite(file.fd, data, bytes, static_cast<off_t>(position)) == static_cast<ssize_t>(bytes),
        "pwrite");
}

void FlipBits(const std::string& path, uint64_t position, uint8_t mask) {
  uint8_t byte;
  {
    Fd file(path, O_RDONLY);
    Check(pread(file.fd, &byte, 1, static_cast<off_t>(position)) == 1, "pread");
  }
  byte ^= mask;
  PatchFile(path, position, &byte, 1);
}

uint64_t ReadWord(const std::string& path, uint64_t position) {
  Fd file(path, O_RDONLY);
  PatternWord word;
  Check(pread(file.fd, &word, sizeof word, static_cast<off_t>(position)) == sizeof word, "pread");
  return FromStoredWord(word);
}

void MakeSparseFile(const std::string& path, uint64_t bytes) {
  Fd file(path, O_WRONLY | O_CREAT | O_EXCL);
  Check(ftruncate(file.fd, static_cast<off_t>(bytes)) == 0, "ftruncate");
}

uint64_t FileSize(const std::string& path) { return std::filesystem::file_size(path); }

uint64_t PatternWordAt(uint64_t offset, unsigned index) {
  uint64_t word = offset;
  for (unsigned i = 0; i < index; ++i) word = NextPatternWord(word);
  return word;
}
