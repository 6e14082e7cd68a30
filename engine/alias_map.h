// A set of sector offsets (multiples of 512) with the exact count of its keys: the distinct
// foreign offsets that a verify pass found in overwritten sectors. Worker thread only.
// Open addressing in one flat table, 8 bytes a slot, so that a fake medium whose every sector
// is foreign costs memory in proportion to its keys and no allocation per key.
#pragma once

#include <cstddef>
#include <cstdint>

class AliasMap {
 public:
  AliasMap() = default;
  ~AliasMap();
  AliasMap(const AliasMap&) = delete;
  AliasMap& operator=(const AliasMap&) = delete;

  // Adds `offset` unless present. Returns false, leaving the set as it was, when the memory for
  // a larger table cannot be had. REQUIRES: offset is a multiple of 512.
  bool Insert(uint64_t offset);
  uint64_t Count() const { return count_; }
  // Removes every key and gives the table's memory back.
  void Clear();

 private:
  bool Grow();

  uint64_t* slots_ = nullptr;  // a key k is stored as k | 1; 0 marks an empty slot
  size_t capacity_ = 0;        // a power of two, or 0 before the first key
  uint64_t count_ = 0;
};
