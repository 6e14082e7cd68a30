#include "tests/fake_medium/flat_store.h"

#include <algorithm>
#include <cstring>

FlatStore::FlatStore(uint64_t realBytes, std::optional<uint8_t> dropFill)
    : dropFill_(dropFill), bytes_(realBytes) {}

std::pair<std::optional<uint64_t>, size_t> FlatStore::Span(uint64_t position, size_t size) const {
  if (position >= bytes_.size() && dropFill_) return {std::nullopt, size};
  const uint64_t at = position % bytes_.size();
  return {at, static_cast<size_t>(std::min<uint64_t>(size, bytes_.size() - at))};
}

void FlatStore::Read(uint64_t position, size_t size, uint8_t* data) const {
  for (size_t i = 0; i < size;) {
    const auto [at, length] = Span(position + i, size - i);
    if (at) {
      memcpy(data + i, &bytes_[*at], length);
    } else {
      memset(data + i, *dropFill_, length);
    }
    i += length;
  }
}

void FlatStore::Write(uint64_t position, size_t size, const uint8_t* data) {
  for (size_t i = 0; i < size;) {
    const auto [at, length] = Span(position + i, size - i);
    if (at) memcpy(&bytes_[*at], data + i, length);
    i += length;
  }
}
