#include <sys/mman.h>

#include <atomic>

#include "platform/page_memory.h"

namespace {
std::atomic<size_t> testLimit{0};
}

void LimitPageAllocationsForTesting(size_t bytes) { testLimit = bytes; }

void* AllocatePages(size_t bytes) {
  if (testLimit != 0 && bytes > testLimit) return nullptr;
  void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return pages == MAP_FAILED ? nullptr : pages;
}

void FreePages(void* pages, size_t bytes) {
  if (pages != nullptr) munmap(pages, bytes);
}
