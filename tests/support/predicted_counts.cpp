#include "tests/support/predicted_counts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/pattern.h"
#include "engine/sector_check.h"
#include "tests/support/session.h"

namespace {

constexpr size_t kHeadBytes = 16;  // kept by the helper for each sector
constexpr uint64_t kNowhere = ~uint64_t{0};

uint64_t WordAt(const uint8_t* bytes) {
  PatternWord word;
  memcpy(&word, bytes, sizeof word);
  return FromStoredWord(word);
}

}  // namespace

std::optional<TestProgress> PredictVerify(const FakeMedium& medium, uint64_t sizeMB) {
  const std::vector<uint8_t> heads = medium.LastWrites();
  const std::vector<uint8_t> data = medium.ReadMedium();
  if (heads.empty() || data.empty()) return std::nullopt;

  // A sector of test data names its own offset in its first word, and the second word follows
  // from the first; nothing else written to the medium looks like that.
  const uint64_t dataBytes = sizeMB * kBytesPerMB;
  std::vector<uint64_t> position(sizeMB * kSectorsPerBlock, kNowhere);
  for (uint64_t sector = 0; sector < heads.size() / kHeadBytes; ++sector) {
    const uint64_t offset = WordAt(&heads[sector * kHeadBytes]);
    if (offset >= dataBytes || offset % kSectorBytes != 0 ||
        WordAt(&heads[sector * kHeadBytes + 8]) != NextPatternWord(offset)) {
      continue;
    }
    uint64_t& where = position[offset / kSectorBytes];
    if (where != kNowhere) {
      ADD_FAILURE() << "test data of offset " << offset << " was written at " << where << " and at "
                    << sector * kSectorBytes;
      return std::nullopt;
    }
    where = sector * kSectorBytes;
  }

  ResetSession();
  for (uint64_t block = 0; block < sizeMB; ++block) {
    for (size_t i = 0; i < kSectorsPerBlock; ++i) {
      const uint64_t where = position[block * kSectorsPerBlock + i];
      if (where == kNowhere) {
        ADD_FAILURE() << "test data of offset " << block * kBytesPerMB + i * kSectorBytes
                      << " was never written";
        return std::nullopt;
      }
      memcpy(&TestSession.ioBuffer->sectors[i], &data[where], kSectorBytes);
    }
    CheckBlock(block * kBytesPerMB);
  }
  return TestSession.progress;
}
