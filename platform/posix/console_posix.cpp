#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "platform/console.h"

namespace {

std::atomic<void (*)()> stopHandler{nullptr};

void OnSignal(int) {
  if (void (*handler)() = stopHandler.load()) handler();
}

void SetAction(void (*action)(int)) {
  struct sigaction handling {};
  handling.sa_handler = action;
  sigemptyset(&handling.sa_mask);
  handling.sa_flags = SA_RESTART;
  sigaction(SIGINT, &handling, nullptr);
  sigaction(SIGTERM, &handling, nullptr);
}

}  // namespace

bool IsTerminal(OutputStream stream) {
  return isatty(stream == OutputStream::kStandardOutput ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

void HandleStopSignals(void (*handler)()) {
  stopHandler = handler;
  SetAction(OnSignal);
}

void RestoreStopSignals() {
  SetAction(SIG_DFL);
  stopHandler = nullptr;
}
