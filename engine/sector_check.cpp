#include "engine/sector_check.h"

#include <bit>
#include <mutex>

#include "engine/engine_error.h"
#include "engine/pattern.h"
#include "engine/test_session.h"

void CheckBlock(uint64_t offset) {
  for (const Sector& sector : TestSession.ioBuffer->sectors) {
    CheckSector(&sector, offset);
    offset += kSectorBytes;
  }
}

void CheckSector(const Sector* sector, uint64_t offset) {
  const int bits = CountBitErrors(sector, offset, offset);
  TestProgress& progress = TestSession.progress;
  if (bits == 0) {
    std::lock_guard<std::mutex> guard(TestSession.lock);
    ++progress.okSectors;
    return;
  }
  // Intact data of another position names that position in its first word.
  const uint64_t origin = FromStoredWord(sector->words[0]);
  if (origin != offset && origin % kSectorBytes == 0 &&
      CountBitErrors(sector, offset, origin) == 0) {
    if (!TestSession.aliasMap.Insert(origin)) PostEngineError(PickText(kOutOfMemoryText));
    const uint64_t aliases = TestSession.aliasMap.Count();
    std::lock_guard<std::mutex> guard(TestSession.lock);
    ++progress.overwrittenSectors;
    progress.aliasedOffsets = aliases;
    return;
  }
  std::lock_guard<std::mutex> guard(TestSession.lock);
  if (bits >= 8) {
    ++progress.corruptedSectors;
  } else {
    ++progress.slightlyChangedSectors;
  }
}

int CountBitErrors(const Sector* sector, uint64_t offset, uint64_t seed) {
  int total = 0;
  uint64_t expected = seed;
  for (size_t k = 0; k < kWordsPerSector; ++k) {
    if (k > 0) expected = NextPatternWord(expected);
    const uint64_t found = FromStoredWord(sector->words[k]);
    const uint64_t difference = found ^ expected;
    if (difference != 0) {
      total += std::popcount(difference);
      RecordFirstError(offset + 8 * k, expected, found);
    }
  }
  return total;
}

void RecordFirstError(uint64_t offset, uint64_t expected, uint64_t found) {
  std::lock_guard<std::mutex> guard(TestSession.lock);
  TestProgress& progress = TestSession.progress;
  if (!progress.firstErrorSeen) {
    progress.firstError = {offset, expected, found};
    progress.firstErrorSeen = true;
  }
}
