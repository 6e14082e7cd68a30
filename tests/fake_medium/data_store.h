// Where a fake medium keeps its data, and so what it loses when it holds less than it claims.
// Positions are byte positions on the claimed device; requests lie within it.
#pragma once

#include <cstddef>
#include <cstdint>

class DataStore {
 public:
  virtual ~DataStore() = default;
  virtual void Read(uint64_t position, size_t size, uint8_t* data) const = 0;
  virtual void Write(uint64_t position, size_t size, const uint8_t* data) = 0;
};
