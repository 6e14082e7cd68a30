// A notification target that records what the worker posts and lets a test wait for it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/notify.h"

class NotifyRecorder : public NotifyTarget {
 public:
  void Post(unsigned message) override;
  // Waits until at least one message has arrived; false after `timeout`.
  bool WaitForMessage(std::chrono::seconds timeout = std::chrono::seconds(600));
  std::vector<unsigned> Messages();

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<unsigned> messages_;
};
