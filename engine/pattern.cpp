#include "engine/pattern.h"

#include "engine/test_session.h"

void FillPattern(uint64_t offset) {
  for (Sector& sector : TestSession.ioBuffer->sectors) {
    uint64_t word = offset;
    sector.words[0] = ToStoredWord(word);
    for (size_t i = 1; i < kWordsPerSector; ++i) {
      word = NextPatternWord(word);
      sector.words[i] = ToStoredWord(word);
    }
    offset += kSectorBytes;
  }
}
