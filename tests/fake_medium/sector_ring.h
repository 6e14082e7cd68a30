// The data of a log-structured medium: every 512-byte sector written goes to the next place of
// a ring as large as the medium really is, whatever its address. Writes that fit in the real
// size all read back, wherever they went; once the ring comes round, each write takes the place
// of the sector written longest ago (unless that sector was written again since and so lives
// elsewhere), and that sector has lost its data. Addresses are sectors of the claimed device.
//
// Memory beyond the real size: four bytes for each sector claimed and each place, so that a
// claimed 6 GiB over a real 1.5 GiB costs 60 MiB more.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tests/fake_medium/data_store.h"
#include "tests/fake_medium/zeroed_array.h"

class SectorRing : public DataStore {
 public:
  static constexpr size_t kSectorBytes = 512;
  // What a sector reads once it has lost its data.
  enum class Lost {
    kZeros,  // 0x00
    kNewer,  // what its former place holds now: the data of a sector written there since
  };

  // Whether a ring can stand for a medium of these sizes: one sector at least, and no more
  // sectors claimed than 32-bit maps can name.
  static bool Fits(uint64_t claimedBytes, uint64_t realBytes) {
    return realBytes >= kSectorBytes && claimedBytes <= uint64_t{UINT32_MAX} * kSectorBytes;
  }
  // REQUIRES: Fits(claimedBytes, realBytes), realBytes <= claimedBytes.
  SectorRing(uint64_t claimedBytes, uint64_t realBytes, Lost lost);

  // Never-written sectors read zeros.
  void Read(uint64_t position, size_t size, uint8_t* data) const override;
  // A sector written in part moves to its new place with the rest of what it reads now.
  void Write(uint64_t position, size_t size, const uint8_t* data) override;

 private:
  // The bytes `sector` reads, or null for zeros.
  const uint8_t* Content(uint64_t sector) const;
  void WriteSector(uint64_t sector, size_t offset, size_t length, const uint8_t* data);

  const Lost lost_;
  ZeroedArray<uint8_t> store_;      // kSectorBytes for each place
  ZeroedArray<uint32_t> placeOf_;   // sector -> 1 + the place last written for it; 0: never
  ZeroedArray<uint32_t> sectorAt_;  // place -> 1 + the sector last written there; 0: none
  uint32_t next_ = 0;               // the place the next sector written goes to
};
