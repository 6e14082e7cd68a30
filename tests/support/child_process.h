// Running a program of the build as a child process, as a user or a script would, and
// collecting what it prints.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct ChildResult {
  int status;       // the exit status, or 128 + the signal that ended it
  std::string out;  // standard output (with a terminal: everything the terminal received)
  std::string err;  // standard error (empty with a terminal)
};

// A user and the group it runs in (a child made that user has no supplementary groups).
struct UserIds {
  uid_t uid;
  gid_t gid;
};

// Runs `program` with `arguments`, its standard input empty. With `terminal`, its standard output
// and error are one pseudo-terminal in raw mode, so it sees a terminal and bytes arrive as
// written. `whileRunning`, if given, runs with the child's process id once it has started. With
// `user` (REQUIRES: root), the child becomes that user before the program starts; if it cannot,
// it ends with status 126 and says why on standard error.
ChildResult RunChild(const std::string& program, const std::vector<std::string>& arguments,
                     bool terminal = false, const std::function<void(pid_t)>& whileRunning = {},
                     const std::optional<UserIds>& user = std::nullopt);
