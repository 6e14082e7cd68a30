#include "engine/sector_check.h"

#include <mutex>

#include "engine/engine_error.h"
#include "engine/pattern.h"
#include "engine/pattern_coefficients.h"
#include "engine/pattern_kernels.h"
#include "engine/test_session.h"

void CheckBlock(uint64_t offset) {
  const PatternKernels& kernels = Kernels();
  const Sector* sectors = TestSession.ioBuffer->sectors;
  for (size_t i = 0; i < kSectorsPerBlock;) {
    // Intact sectors are found many at a time and then counted one by one, each under the
    // lock as every sector is; the rest go through the full classification.
    const size_t intact =
        kernels.intactPrefix(sectors + i, kSectorsPerBlock - i, offset + kSectorBytes * i);
    for (size_t k = 0; k < intact; ++k) {
      std::lock_guard<std::mutex> guard(TestSession.lock);
      ++TestSession.progress.okSectors;
    }
    i += intact;
    if (i < kSectorsPerBlock) {
      CheckSector(&sectors[i], offset + kSectorBytes * i);
      ++i;
    }
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
  const int total = static_cast<int>(Kernels().bitErrors(sector, seed));
  // Only the first differing word of the pass is ever recorded, and the worker, the only one
  // to set the flag, may read it without the lock: once set, the other words need no look.
  if (total == 0 || TestSession.progress.firstErrorSeen) return total;
  const PatternCoefficients& c = kPatternCoefficients;
  for (size_t k = 0; k < kWordsPerSector; ++k) {
    const uint64_t expected = c.a[k] * seed + c.b[k];
    const uint64_t found = FromStoredWord(sector->words[k]);
    if (found != expected) {
      RecordFirstError(offset + 8 * k, expected, found);
      break;
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
