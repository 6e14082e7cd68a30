// The data of a medium that keeps position X at X itself as far as it really reaches. Past that
// it either wraps around (X is kept at X modulo the real size), or drops what is written and
// reads a fill byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

#include "tests/fake_medium/data_store.h"
#include "tests/fake_medium/zeroed_array.h"

class FlatStore : public DataStore {
 public:
  // dropFill: none for a medium that wraps around, else what it reads past the real size.
  // REQUIRES: 0 < realBytes.
  FlatStore(uint64_t realBytes, std::optional<uint8_t> dropFill);

  void Read(uint64_t position, size_t size, uint8_t* data) const override;
  void Write(uint64_t position, size_t size, const uint8_t* data) override;

 private:
  // Where in bytes_ the first of `size` bytes from `position` on are kept and how many follow it
  // there in one piece; or none and `size` when the medium drops them all.
  std::pair<std::optional<uint64_t>, size_t> Span(uint64_t position, size_t size) const;

  const std::optional<uint8_t> dropFill_;
  ZeroedArray<uint8_t> bytes_;
};
