#include "engine/pattern_kernels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/pattern.h"
#include "engine/pattern_coefficients.h"

namespace {

// The pattern straight from its definition: word 0 the offset, then the recurrence.
Sector ReferenceSector(uint64_t offset) {
  Sector sector;
  uint64_t word = offset;
  for (size_t i = 0; i < kWordsPerSector; ++i) {
    sector.words[i] = ToStoredWord(word);
    word = NextPatternWord(word);
  }
  return sector;
}

const std::vector<const PatternKernels*>& Variants() {
  static const std::vector<const PatternKernels*> variants = AvailableKernels();
  return variants;
}

}  // namespace

TEST(PatternKernels, ThePlainVariantComesFirstAndTheFastestIsInUse) {
  ASSERT_FALSE(Variants().empty());
  EXPECT_STREQ(Variants().front()->name, "plain");
  EXPECT_EQ(&Kernels(), Variants().back());
  for (const PatternKernels* kernels : Variants()) std::printf("variant: %s\n", kernels->name);
}

TEST(PatternKernels, EveryVariantFillsExactlyThePattern) {
  std::vector<Sector> sectors(300);
  for (const PatternKernels* kernels : Variants()) {
    for (uint64_t offset : {uint64_t{0}, uint64_t{512}, uint64_t{0x40000000},
                            uint64_t{0xFFFFFFFFFFFF0000}, uint64_t{0x123456789A00}}) {
      kernels->fill(sectors.data(), sectors.size(), offset);
      for (size_t s = 0; s < sectors.size(); ++s) {
        const Sector expected = ReferenceSector(offset + 512 * s);
        ASSERT_EQ(std::memcmp(&sectors[s], &expected, sizeof(Sector)), 0)
            << kernels->name << " offset " << offset << " sector " << s;
      }
    }
  }
}

TEST(PatternKernels, EveryVariantFindsTheSameFirstDamagedSector) {
  std::vector<Sector> sectors(64);
  const uint64_t offset = 0x7654300000;
  for (const PatternKernels* kernels : Variants()) {
    kernels->fill(sectors.data(), sectors.size(), offset);
    EXPECT_EQ(kernels->intactPrefix(sectors.data(), sectors.size(), offset), sectors.size());
    EXPECT_EQ(kernels->intactPrefix(sectors.data(), sectors.size(), offset + 512), 0u);
    for (size_t damaged : {size_t{0}, size_t{1}, size_t{31}, size_t{63}}) {
      for (size_t word : {size_t{0}, size_t{7}, size_t{63}}) {
        std::vector<Sector> copy = sectors;
        copy[damaged].words[word] ^= uint64_t{1} << (word % 64);
        EXPECT_EQ(kernels->intactPrefix(copy.data(), copy.size(), offset), damaged)
            << kernels->name << " sector " << damaged << " word " << word;
      }
    }
  }
}

TEST(PatternKernels, EveryVariantCountsTheSameBits) {
  std::mt19937_64 random(12345);
  for (int round = 0; round < 200; ++round) {
    Sector sector;
    for (PatternWord& word : sector.words) word = random();
    const uint64_t seed = random() & ~uint64_t{511};
    if (round % 2 == 0) sector = ReferenceSector(seed);  // intact, then a few bits off
    if (round % 4 == 0) sector.words[round % 64] ^= random();
    const unsigned plain = Variants().front()->bitErrors(&sector, seed);
    for (const PatternKernels* kernels : Variants()) {
      ASSERT_EQ(kernels->bitErrors(&sector, seed), plain) << kernels->name << " round " << round;
    }
  }
  const Sector zero{};
  for (const PatternKernels* kernels : Variants()) EXPECT_EQ(kernels->bitErrors(&zero, 0), 1802u);
}
