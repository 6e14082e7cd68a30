#include "tests/support/file_holder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

OtherProcessHoldingFile::OtherProcessHoldingFile(const std::string& path) {
  int ready[2], release[2];
  if (pipe(ready) != 0 || pipe(release) != 0) throw std::runtime_error("pipe");
  child_ = fork();
  if (child_ < 0) throw std::runtime_error("fork");
  if (child_ == 0) {
    // Only async-signal-safe calls from here on: the parent may have threads.
    close(ready[0]);
    close(release[1]);
    int fd = open(path.c_str(), O_RDONLY);
    char status = fd >= 0 && flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
    if (write(ready[1], &status, 1) != 1) _exit(1);
    char ignored;
    while (read(release[0], &ignored, 1) > 0) {
    }
    _exit(0);
  }
  close(ready[1]);
  close(release[0]);
  release_ = release[1];
  char status = 'n';
  bool locked = read(ready[0], &status, 1) == 1 && status == 'y';
  close(ready[0]);
  if (!locked) throw std::runtime_error("the other process could not lock " + path);
}

OtherProcessHoldingFile::~OtherProcessHoldingFile() {
  close(release_);
  int status;
  waitpid(child_, &status, 0);
}
