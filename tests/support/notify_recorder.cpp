#include "tests/support/notify_recorder.h"

void NotifyRecorder::Post(unsigned message) {
  std::lock_guard<std::mutex> guard(mutex_);
  messages_.push_back(message);
  arrived_.notify_all();
}

bool NotifyRecorder::WaitForMessage(std::chrono::seconds timeout) {
  std::unique_lock<std::mutex> guard(mutex_);
  return arrived_.wait_for(guard, timeout, [this] { return !messages_.empty(); });
}

std::vector<unsigned> NotifyRecorder::Messages() {
  std::lock_guard<std::mutex> guard(mutex_);
  return messages_;
}
