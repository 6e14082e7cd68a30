#include "engine/alias_map.h"

#include <bit>
#include <cstdint>

#include "platform/page_memory.h"

namespace {

constexpr size_t kFirstCapacity = 4096;  // one 32 KiB table

size_t SlotOf(uint64_t key, size_t capacity) {
  // Fibonacci hashing: the top bits of the product pick the slot, whichever bits of the
  // offset differ.
  return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> (std::countl_zero(capacity) + 1));
}

void Place(uint64_t* slots, size_t capacity, uint64_t stored) {
  size_t slot = SlotOf(stored, capacity);
  while (slots[slot] != 0) slot = (slot + 1) & (capacity - 1);
  slots[slot] = stored;
}

}  // namespace

AliasMap::~AliasMap() { Clear(); }

bool AliasMap::Insert(uint64_t offset) {
  const uint64_t stored = offset | 1;  // offsets have their low 9 bits clear
  if (capacity_ != 0) {
    for (size_t slot = SlotOf(stored, capacity_); slots_[slot] != 0;
         slot = (slot + 1) & (capacity_ - 1)) {
      if (slots_[slot] == stored) return true;
    }
  }
  // Keep at least a quarter of the slots empty so that probe runs stay short.
  if ((count_ + 1) * 4 > capacity_ * 3 && !Grow()) return false;
  Place(slots_, capacity_, stored);
  ++count_;
  return true;
}

bool AliasMap::Grow() {
  size_t capacity = capacity_ == 0 ? kFirstCapacity : capacity_ * 2;
  if (capacity > SIZE_MAX / sizeof(uint64_t)) return false;
  auto* slots = static_cast<uint64_t*>(AllocatePages(capacity * sizeof(uint64_t)));
  if (slots == nullptr) return false;
  for (size_t slot = 0; slot < capacity_; ++slot) {
    if (slots_[slot] != 0) Place(slots, capacity, slots_[slot]);
  }
  FreePages(slots_, capacity_ * sizeof(uint64_t));
  slots_ = slots;
  capacity_ = capacity;
  return true;
}

void AliasMap::Clear() {
  FreePages(slots_, capacity_ * sizeof(uint64_t));
  slots_ = nullptr;
  capacity_ = 0;
  count_ = 0;
}
