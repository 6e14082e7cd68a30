#include "engine/alias_map.h"

#include "platform/page_memory.h"

namespace {

constexpr size_t kFirstCapacity = 2;

// Mixes every bit of the offset into every bit of the result (the finaliser of MurmurHash3):
// sector offsets differ only in their upper 55 bits.
uint64_t Mix(uint64_t key) {
  key ^= key >> 33;
  key *= 0xFF51AFD7ED558CCDull;
  key ^= key >> 33;
  key *= 0xC4CEB9FE1A85EC53ull;
  return key ^ (key >> 33);
}

// The home slot of a hash within a table: its bits below the table number, scaled to the
// capacity.
size_t HomeSlot(uint64_t hash, size_t capacity) {
  return static_cast<size_t>((static_cast<unsigned __int128>(hash << 8) * capacity) >> 64);
}

// Puts `stored` into the first free slot from its home on. REQUIRES: a free slot exists.
void Place(uint64_t* cells, size_t capacity, uint64_t stored) {
  size_t slot = HomeSlot(Mix(stored & ~uint64_t{1}), capacity);
  while (cells[slot] != 0) slot = slot + 1 == capacity ? 0 : slot + 1;
  cells[slot] = stored;
}

}  // namespace

AliasMap::~AliasMap() { Clear(); }

bool AliasMap::Insert(uint64_t offset) {
  const uint64_t stored = offset | 1;  // offsets have their low 9 bits clear
  const uint64_t hash = Mix(offset);
  Table& table = tables_[hash >> (64 - kTableBits)];
  if (table.capacity != 0) {
    for (size_t slot = HomeSlot(hash, table.capacity); table.cells[slot] != 0;
         slot = slot + 1 == table.capacity ? 0 : slot + 1) {
      if (table.cells[slot] == stored) return true;
    }
  }
  if ((table.count + 1) * 10 > table.capacity * 9 && !Grow(table)) return false;
  Place(table.cells, table.capacity, stored);
  ++table.count;
  ++count_;
  return true;
}

bool AliasMap::Grow(Table& table) {
  const size_t capacity =
      table.capacity == 0 ? kFirstCapacity : table.capacity + (table.capacity + 1) / 2;
  if (capacity > SIZE_MAX / sizeof(uint64_t)) return false;
  auto* cells = static_cast<uint64_t*>(AllocateZeroed(capacity * sizeof(uint64_t)));
  if (cells == nullptr) return false;
  for (size_t slot = 0; slot < table.capacity; ++slot) {
    if (table.cells[slot] != 0) Place(cells, capacity, table.cells[slot]);
  }
  FreeZeroed(table.cells);
  bytes_ += (capacity - table.capacity) * sizeof(uint64_t);
  table.cells = cells;
  table.capacity = capacity;
  return true;
}

void AliasMap::Clear() {
  for (Table& table : tables_) {
    FreeZeroed(table.cells);
    table = Table();
  }
  count_ = 0;
  bytes_ = 0;
}
