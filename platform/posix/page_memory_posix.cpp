#include <sys/mman.h>

#include <atomic>
#include <cstdlib>

#include "platform/page_memory.h"

namespace {

std::atomic<size_t> testLimit{0};

bool Refused(size_t bytes) { return testLimit != 0 && bytes > testLimit; }

}  // namespace

void LimitAllocationsForTesting(size_t bytes) { testLimit = bytes; }

void* AllocatePages(size_t bytes) {
  if (Refused(bytes)) return nullptr;
  void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return pages == MAP_FAILED ? nullptr : pages;
}

void FreePages(void* pages, size_t bytes) {
  if (pages != nullptr) munmap(pages, bytes);
}

void* AllocateZeroed(size_t bytes) { return Refused(bytes) ? nullptr : std::calloc(bytes, 1); }

void FreeZeroed(void* block) { std::free(block); }
