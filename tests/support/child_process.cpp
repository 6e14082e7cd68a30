#include "tests/support/child_process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace {

// Reads what arrives on `fds` until every one of them is at its end.
void Drain(const std::vector<int>& fds, const std::vector<std::string*>& into) {
  std::vector<bool> open(fds.size(), true);
  for (size_t left = fds.size(); left > 0;) {
    std::vector<pollfd> waiting;
    for (size_t i = 0; i < fds.size(); ++i) {
      if (open[i]) waiting.push_back({fds[i], POLLIN, 0});
    }
    if (poll(waiting.data(), waiting.size(), -1) < 0) continue;
    for (size_t i = 0; i < fds.size(); ++i) {
      if (!open[i]) continue;
      char buffer[4096];
      const ssize_t got = read(fds[i], buffer, sizeof buffer);
      if (got > 0) {
        into[i]->append(buffer, static_cast<size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        open[i] = false;  // the end, or EIO once a pseudo-terminal's other side is closed
        --left;
      }
    }
  }
}

// In the child: drops root for `user`; on failure says why and ends the child.
void BecomeUser(const UserIds& user) {
  if (setgroups(0, nullptr) == 0 && setgid(user.gid) == 0 && setuid(user.uid) == 0) return;
  const int error = errno;
  dprintf(STDERR_FILENO, "cannot become user %u: %s\n", static_cast<unsigned>(user.uid),
          strerror(error));
  _exit(126);
}

}  // namespace

ChildResult RunChild(const std::string& program, const std::vector<std::string>& arguments,
                     bool terminal, const std::function<void(pid_t)>& whileRunning,
                     const std::optional<UserIds>& user) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  int out[2], err[2];
  if (terminal) {
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&out[0], &out[1], nullptr, &raw, nullptr) != 0) throw std::runtime_error("openpty");
  } else if (pipe(out) != 0 || pipe(err) != 0) {
    throw std::runtime_error("pipe");
  }
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork");
  if (child == 0) {
    const int input = open("/dev/null", O_RDONLY);
    dup2(input, STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    dup2(terminal ? out[1] : err[1], STDERR_FILENO);
    if (user) BecomeUser(*user);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  if (!terminal) close(err[1]);
  if (whileRunning) whileRunning(child);

  ChildResult result{0, "", ""};
  if (terminal) {
    Drain({out[0]}, {&result.out});
  } else {
    Drain({out[0], err[0]}, {&result.out, &result.err});
    close(err[0]);
  }
  close(out[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}
