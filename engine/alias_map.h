// A set of sector offsets (multiples of 512) with the exact count of its keys: the distinct
// foreign offsets that a verify pass found in overwritten sectors. Worker thread only.
// A fake medium can hand back foreign data in every sector, so the set is kept compact: 256
// open-addressing tables of 8-byte slots, each grown by half when 90 % full. That costs at most
// 13.3 bytes a key in the tables, and a growth copies only the one table that grows.
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
  // Removes every key and gives the memory back.
  void Clear();
  // The bytes the tables take.
  size_t MemoryBytes() const { return bytes_; }

 private:
  struct Table {
    uint64_t* cells = nullptr;  // a key k is stored as k | 1; 0 marks an empty slot
    size_t capacity = 0;
    size_t count = 0;
  };
  static constexpr unsigned kTableBits = 8;

  bool Grow(Table& table);

  Table tables_[size_t{1} << kTableBits];
  uint64_t count_ = 0;
  size_t bytes_ = 0;
};
