// A value that one thread writes while another reads it, with nothing else published through
// it, so relaxed ordering suffices. Copies read it, which lets it sit in a record that readers
// copy whole.
#pragma once

#include <atomic>

template <typename T>
class Relaxed {
 public:
  Relaxed(T value = T()) : value_(value) {}
  Relaxed(const Relaxed& other) : value_(other.get()) {}
  Relaxed& operator=(const Relaxed& other) { return *this = other.get(); }
  Relaxed& operator=(T value) {
    value_.store(value, std::memory_order_relaxed);
    return *this;
  }
  operator T() const { return get(); }
  T get() const { return value_.load(std::memory_order_relaxed); }

 private:
  std::atomic<T> value_;
};

// Clears a pass's running flag on every way out of the pass, errors included.
class ClearOnExit {
 public:
  explicit ClearOnExit(Relaxed<bool>& flag) : flag_(flag) {}
  ~ClearOnExit() { flag_ = false; }
  ClearOnExit(const ClearOnExit&) = delete;
  ClearOnExit& operator=(const ClearOnExit&) = delete;

 private:
  Relaxed<bool>& flag_;
};
