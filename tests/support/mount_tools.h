// What the tests' own media share: finding and running the system's tools without a shell,
// unmounting with patience, and a descriptor that closes itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The text of `code` with its number, for failure messages.
std::string ErrnoText(int code);

// The full name of the program `name` on PATH or in the system directories, or empty.
std::string FindProgram(const std::string& name);

struct CommandResult {
  bool succeeded;      // ran and exited with 0
  std::string output;  // standard output and standard error together
};

// Runs a program without a shell, its standard input empty, collecting what it prints.
CommandResult RunCommand(const std::vector<std::string>& arguments);

// The arguments separated by spaces, for failure messages.
std::string Joined(const std::vector<std::string>& arguments);

// Unmounts `path`, waiting a little for a file system that is still busy, and detaching it
// lazily as the last resort so that nothing stays mounted. Reports a failure when it has to.
void Unmount(const std::string& path);

// Bytes free for the user on the file system that holds `path`, as the system reports them;
// reports a failure and gives 0 when it cannot be asked.
uint64_t FreeBytesAt(const std::string& path);

// A file descriptor opened with O_CLOEXEC (and mode 0644 when created), closed when it goes.
struct Descriptor {
  Descriptor(const std::string& path, int flags);
  ~Descriptor();
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int fd;
};
