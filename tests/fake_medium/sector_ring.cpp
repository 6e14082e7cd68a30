#include "tests/fake_medium/sector_ring.h"

#include <algorithm>
#include <cstring>

namespace {

// Calls visit(sector, offset in the sector, length, offset in the request) for each piece of
// [position, position + size) that one sector holds.
template <typename Visit>
void ForEachSector(uint64_t position, size_t size, Visit visit) {
  constexpr size_t kSectorBytes = SectorRing::kSectorBytes;
  for (size_t done = 0; done < size;) {
    const size_t offset = (position + done) % kSectorBytes;
    const size_t length = std::min(size - done, kSectorBytes - offset);
    visit((position + done) / kSectorBytes, offset, length, done);
    done += length;
  }
}

}  // namespace

SectorRing::SectorRing(uint64_t claimedBytes, uint64_t realBytes, Lost lost)
    : lost_(lost),
      store_(realBytes / kSectorBytes * kSectorBytes),
      placeOf_((claimedBytes + kSectorBytes - 1) / kSectorBytes),
      sectorAt_(realBytes / kSectorBytes) {}

const uint8_t* SectorRing::Content(uint64_t sector) const {
  const uint32_t place = placeOf_[sector];
  if (place == 0) return nullptr;
  if (sectorAt_[place - 1] != sector + 1 && lost_ == Lost::kZeros) return nullptr;
  return &store_[(place - 1) * uint64_t{kSectorBytes}];
}

void SectorRing::Read(uint64_t position, size_t size, uint8_t* data) const {
  ForEachSector(position, size, [&](uint64_t sector, size_t offset, size_t length, size_t done) {
    if (const uint8_t* content = Content(sector)) {
      memcpy(data + done, content + offset, length);
    } else {
      memset(data + done, 0, length);
    }
  });
}

void SectorRing::Write(uint64_t position, size_t size, const uint8_t* data) {
  ForEachSector(position, size, [&](uint64_t sector, size_t offset, size_t length, size_t done) {
    WriteSector(sector, offset, length, data + done);
  });
}

void SectorRing::WriteSector(uint64_t sector, size_t offset, size_t length, const uint8_t* data) {
  uint8_t whole[kSectorBytes];
  if (length < kSectorBytes) {
    // Read before the ring moves on: the place it takes may be the one this content lies in.
    Read(sector * kSectorBytes, kSectorBytes, whole);
    memcpy(whole + offset, data, length);
    data = whole;
  }
  const uint32_t place = next_;
  next_ = (next_ + 1) % sectorAt_.size();
  // Whatever sector held `place` before has lost its data now; its placeOf_ still names
  // `place`, which is how it reads what lies there since. The sector's own former place, if
  // any, holds nothing of value from now on.
  sectorAt_[place] = static_cast<uint32_t>(sector + 1);
  placeOf_[sector] = place + 1;
  memcpy(&store_[place * uint64_t{kSectorBytes}], data, kSectorBytes);
}
