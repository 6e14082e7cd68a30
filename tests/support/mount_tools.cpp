#include "tests/support/mount_tools.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

std::string ErrnoText(int code) {
  return std::string(strerror(code)) + " (errno " + std::to_string(code) + ")";
}

std::string FindProgram(const std::string& name) {
  std::string directories = getenv("PATH") ? getenv("PATH") : "";
  directories += ":/usr/sbin:/sbin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= directories.size()) {
    size_t end = directories.find(':', start);
    if (end == std::string::npos) end = directories.size();
    const std::string directory = directories.substr(start, end - start);
    if (!directory.empty()) {
      const std::string candidate = directory + "/" + name;
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    start = end + 1;
  }
  return "";
}

CommandResult RunCommand(const std::vector<std::string>& arguments) {
  CommandResult result{false, ""};
  const std::string program = FindProgram(arguments.at(0));
  if (program.empty()) {
    result.output = arguments[0] + " not found";
    return result;
  }
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  int output[2];
  if (pipe2(output, O_CLOEXEC) != 0) {
    result.output = "pipe: " + ErrnoText(errno);
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t child;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(output[1]);
  if (spawned != 0) {
    close(output[0]);
    result.output = "cannot start " + program + ": " + ErrnoText(spawned);
    return result;
  }
  char buffer[4096];
  ssize_t got;
  while ((got = read(output[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
    if (got > 0) result.output.append(buffer, static_cast<size_t>(got));
  }
  close(output[0]);
  int status;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  result.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return result;
}

std::string Joined(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& argument : arguments) text += (text.empty() ? "" : " ") + argument;
  return text;
}

void Unmount(const std::string& path) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (umount2(path.c_str(), 0) == 0) return;
    if (errno != EBUSY) {
      const int error = errno;
      ADD_FAILURE() << "cannot unmount " << path << ": " << ErrnoText(error);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ADD_FAILURE() << path << " stayed busy; detached lazily";
  umount2(path.c_str(), MNT_DETACH);
}

Descriptor::Descriptor(const std::string& path, int flags)
    : fd(open(path.c_str(), flags | O_CLOEXEC, 0644)) {}

Descriptor::~Descriptor() {
  if (fd >= 0) close(fd);
}

uint64_t FreeBytesAt(const std::string& path) {
  struct statvfs status;
  if (statvfs(path.c_str(), &status) != 0) {
    const int error = errno;
    ADD_FAILURE() << "statvfs " << path << ": " << ErrnoText(error);
    return 0;
  }
  return static_cast<uint64_t>(status.f_bavail) * status.f_frsize;
}
