// A fixed number of plain values that read zero until written, in memory that the system hands
// out a page at a time as it is first touched (calloc maps large blocks so). A medium of GiBs is
// then ready at once, rather than after seconds of zeroing pages that a run may never write.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

template <typename T>
class ZeroedArray {
  static_assert(std::is_trivially_copyable_v<T>, "zero bytes must make a valid value");

 public:
  explicit ZeroedArray(size_t size)
      : size_(size), items_(static_cast<T*>(calloc(size ? size : 1, sizeof(T)))) {
    if (!items_) throw std::bad_alloc();
  }

  size_t size() const { return size_; }
  T* data() { return items_.get(); }
  const T* data() const { return items_.get(); }
  T& operator[](size_t index) { return items_.get()[index]; }
  const T& operator[](size_t index) const { return items_.get()[index]; }

 private:
  struct Free {
    void operator()(T* items) const { free(items); }
  };
  size_t size_;
  std::unique_ptr<T, Free> items_;
};
