// The window that a worker thread tells about the end of its work. The user interface implements
// it with a queued event; tests with a recorder.
#pragma once

class NotifyTarget {
 public:
  virtual ~NotifyTarget() = default;
  // Queues `message` for the target's own thread and returns at once. Called from any thread.
  virtual void Post(unsigned message) = 0;
};
