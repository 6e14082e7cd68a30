// Fuzz target for the sector check: builds sectors from the input, classifies them with
// CheckSector or a whole block with CheckBlock, and compares every count, the alias count and the
// first error with a classification written here from the pattern's definition alone (word 0 is
// the sector's offset, each further word the one before times 0x10000000F plus 17, stored least
// significant byte first). Every kernel variant the processor runs is compared too. Any
// difference traps.
//
// Input, read front to back (missing bytes read as zero):
//   mode      1 byte: bit 0 clear = single sectors through CheckSector, set = one block
//   offset    8 bytes: the first sector's offset (single) or the block's offset, rounded down
//             to a multiple of 512
//   fill      block only: 1 byte, bit 0 set = the block holds the data of another block,
//             whose offset (8 bytes, rounded down to a multiple of 512) follows
//   records   1 byte: how many sectors to build (single: 1 to 16; block: 0 to 64, the rest of
//             the block keeps its fill)
//   per record:
//     place   single: 1 byte, bit 0 set = an offset of its own (8 bytes) follows, else the
//             sector after the previous one; block: the sector's index (2 bytes)
//     base    1 byte kind and its parameters
//     masks   1 byte: how many (0 to 16), then each: 1 byte kind and its parameters
//   probe     block only: start (2 bytes) and count (2 bytes) of one more intactPrefix call
// The parameters of each base and mask kind are read in MakeBase and ApplyMask below.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "engine/pattern_kernels.h"
#include "engine/sector_check.h"
#include "engine/test_session.h"
#include "tests/support/session.h"

#define FUZZ_CHECK(condition)                                         \
  do {                                                                \
    if (!(condition)) {                                               \
      std::fprintf(stderr, "sector check differs: %s\n", #condition); \
      __builtin_trap();                                               \
    }                                                                 \
  } while (0)

// The reference's word loops need no coverage feedback, and its comparison hooks on every word
// would cost most of the run time.
#if defined(__clang__)
#define NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define NO_COVERAGE
#endif

namespace {

constexpr size_t kWords = 64;
constexpr size_t kBytes = 512;
constexpr size_t kBlockSectors = 2048;
constexpr uint64_t kSectorMask = ~uint64_t{kBytes - 1};

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), left_(size) {}

  uint8_t Byte() {
    if (left_ == 0) return 0;
    --left_;
    return *data_++;
  }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  uint64_t U64() {
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value |= uint64_t{Byte()} << (8 * i);
    return value;
  }

 private:
  const uint8_t* data_;
  size_t left_;
};

// The definition, word by word.
NO_COVERAGE void GrowPattern(uint64_t origin, uint64_t (&words)[kWords]) {
  words[0] = origin;
  for (size_t i = 1; i < kWords; ++i) words[i] = words[i - 1] * 0x10000000F + 17;
}

NO_COVERAGE uint64_t LoadWord(const Sector& sector, size_t index) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&sector) + 8 * index;
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

NO_COVERAGE void StoreWord(Sector& sector, size_t index, uint64_t value) {
  auto* bytes = reinterpret_cast<uint8_t*>(&sector) + 8 * index;
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

NO_COVERAGE Sector PatternOf(uint64_t origin) {
  uint64_t words[kWords];
  GrowPattern(origin, words);
  Sector sector;
  for (size_t i = 0; i < kWords; ++i) StoreWord(sector, i, words[i]);
  return sector;
}

// How `sector` differs from the pattern grown from `seed`: in how many bits, and which word
// differs first (kWords when none does).
struct Difference {
  unsigned bits = 0;
  size_t firstWord = kWords;
  uint64_t expected = 0, found = 0;  // that word
};

NO_COVERAGE Difference Compare(const Sector& sector, uint64_t seed) {
  uint64_t words[kWords];
  GrowPattern(seed, words);
  Difference d;
  for (size_t i = 0; i < kWords; ++i) {
    const uint64_t found = LoadWord(sector, i);
    if (found != words[i] && d.firstWord == kWords) d = {0, i, words[i], found};
    d.bits += std::popcount(found ^ words[i]);
  }
  return d;
}

bool Intact(const Sector& sector, uint64_t offset) { return Compare(sector, offset).bits == 0; }

// What a verify pass should have counted so far.
struct Reference {
  uint64_t ok = 0, overwritten = 0, slightlyChanged = 0, corrupted = 0;
  std::set<uint64_t> aliases;
  bool firstErrorSeen = false;
  FirstError firstError{0, 0, 0};

  // Counts the sector at `offset`; true if it is intact.
  bool Classify(const Sector& sector, uint64_t offset) {
    const Difference own = Compare(sector, offset);
    if (own.bits == 0) {
      ++ok;
      return true;
    }
    if (!firstErrorSeen) {
      firstErrorSeen = true;
      firstError = {offset + 8 * own.firstWord, own.expected, own.found};
    }
    const uint64_t origin = LoadWord(sector, 0);
    if (origin != offset && origin % kBytes == 0 && Intact(sector, origin)) {
      ++overwritten;
      aliases.insert(origin);
    } else if (own.bits >= 8) {
      ++corrupted;
    } else {
      ++slightlyChanged;
    }
    return false;
  }

  void CompareWithSession() const {
    const TestProgress p = CopyProgress();
    FUZZ_CHECK(p.okSectors == ok);
    FUZZ_CHECK(p.overwrittenSectors == overwritten);
    FUZZ_CHECK(p.slightlyChangedSectors == slightlyChanged);
    FUZZ_CHECK(p.corruptedSectors == corrupted);
    FUZZ_CHECK(p.aliasedOffsets == aliases.size());
    FUZZ_CHECK(TestSession.aliasMap.Count() == aliases.size());
    FUZZ_CHECK(p.firstErrorSeen == firstErrorSeen);
    FUZZ_CHECK(p.firstError.offset == firstError.offset);
    FUZZ_CHECK(p.firstError.expected == firstError.expected);
    FUZZ_CHECK(p.firstError.found == firstError.found);
  }
};

// The sector a record starts from, for the sector at `offset`. `others` are sectors it may copy.
Sector MakeBase(Input& in, uint64_t offset, const Sector* others, size_t otherCount) {
  switch (in.Byte() % 9) {
    default:  // its own pattern
      return PatternOf(offset);
    case 1: {  // a nearby sector's pattern
      const auto sectors = static_cast<int8_t>(in.Byte());
      return PatternOf(offset + uint64_t(int64_t{sectors == 0 ? 1 : sectors}) * kBytes);
    }
    case 2:  // any sector's pattern
      return PatternOf(in.U64() & kSectorMask);
    case 3:  // the pattern of an offset one bit away
      return PatternOf(offset ^ (uint64_t{1} << (9 + in.Byte() % 55)));
    case 4:  // a pattern grown from a word that is no sector offset
      return PatternOf(offset + 1 + in.Byte() % (kBytes - 1));
    case 5:
      return Sector{};
    case 6: {
      Sector sector;
      std::memset(&sector, in.Byte(), sizeof sector);
      return sector;
    }
    case 7: {  // raw bytes
      Sector sector;
      auto* bytes = reinterpret_cast<uint8_t*>(&sector);
      for (size_t i = 0; i < kBytes; ++i) bytes[i] = in.Byte();
      return sector;
    }
    case 8: {  // a copy of another sector
      const uint16_t index = in.U16();
      if (otherCount == 0) return PatternOf(offset);
      return others[index % otherCount];
    }
  }
}

void ApplyMask(Input& in, Sector& sector) {
  auto* bytes = reinterpret_cast<uint8_t*>(&sector);
  switch (in.Byte() % 6) {
    case 0: {  // one bit
      const uint16_t bit = in.U16() % (kBytes * 8);
      bytes[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
      break;
    }
    case 1: {  // one byte
      const uint16_t position = in.U16() % kBytes;
      bytes[position] ^= in.Byte();
      break;
    }
    case 2: {  // one word
      const size_t index = in.Byte() % kWords;
      StoreWord(sector, index, LoadWord(sector, index) ^ in.U64());
      break;
    }
    case 3: {  // a run of the input's bytes
      const uint16_t position = in.U16() % kBytes;
      const size_t length = 1 + in.Byte() % 64;
      for (size_t i = 0; i < length; ++i) bytes[(position + i) % kBytes] ^= in.Byte();
      break;
    }
    case 4: {  // a word replaced
      const size_t index = in.Byte() % kWords;
      StoreWord(sector, index, in.U64());
      break;
    }
    case 5:  // word 0 replaced by a sector offset
      StoreWord(sector, 0, in.U64() & kSectorMask);
      break;
  }
}

void ApplyMasks(Input& in, Sector& sector) {
  for (unsigned masks = in.Byte() % 17; masks > 0; --masks) ApplyMask(in, sector);
}

const std::vector<const PatternKernels*>& Variants() {
  static const std::vector<const PatternKernels*> variants = AvailableKernels();
  return variants;
}

// Each variant's bitErrors for `sector` against a few seeds: its own offset, its word 0 and
// `other`.
void CompareBitErrors(const Sector& sector, uint64_t offset, uint64_t other) {
  for (const uint64_t seed : {offset, LoadWord(sector, 0), other}) {
    const unsigned expected = Compare(sector, seed).bits;
    for (const PatternKernels* k : Variants()) FUZZ_CHECK(k->bitErrors(&sector, seed) == expected);
  }
}

// `intact[i]`: sector i equals its own pattern. The reference intactPrefix from `start`.
NO_COVERAGE size_t ReferencePrefix(const std::vector<bool>& intact, size_t start, size_t count) {
  size_t n = 0;
  while (n < count && intact[start + n]) ++n;
  return n;
}

void FuzzSingleSectors(Input& in, uint64_t offset) {
  const size_t count = 1 + in.Byte() % 16;
  // Exactly as many sectors as there are, so that a kernel reading past the last one is caught.
  std::unique_ptr<Sector[]> sectors(new Sector[count]);
  std::vector<uint64_t> offsets(count);
  uint64_t next = offset;
  for (size_t i = 0; i < count; ++i) {
    offsets[i] = (in.Byte() & 1) ? in.U64() & kSectorMask : next;
    next = offsets[i] + kBytes;
    sectors[i] = MakeBase(in, offsets[i], sectors.get(), i);
    ApplyMasks(in, sectors[i]);
  }

  Reference reference;
  for (size_t i = 0; i < count; ++i) {
    CheckSector(&sectors[i], offsets[i]);
    reference.Classify(sectors[i], offsets[i]);
    reference.CompareWithSession();
  }

  // The kernels see the sectors as consecutive from the first one's offset on.
  std::vector<bool> intact(count);
  for (size_t i = 0; i < count; ++i) intact[i] = Intact(sectors[i], offsets[0] + kBytes * i);
  for (size_t start = 0; start < count; ++start) {
    const size_t expected = ReferencePrefix(intact, start, count - start);
    for (const PatternKernels* k : Variants()) {
      FUZZ_CHECK(k->intactPrefix(&sectors[start], count - start, offsets[0] + kBytes * start) ==
                 expected);
    }
  }
  for (size_t i = 0; i < count; ++i) CompareBitErrors(sectors[i], offsets[i], offsets[0]);
}

void FuzzBlock(Input& in, uint64_t offset) {
  Sector* block = TestSession.ioBuffer->sectors;
  // Another block's data, as a medium that wraps around hands it back: every sector overwritten.
  const uint64_t fill = (in.Byte() & 1) ? in.U64() & kSectorMask : offset;
  for (size_t i = 0; i < kBlockSectors; ++i) block[i] = PatternOf(fill + kBytes * i);

  std::vector<size_t> changed;
  for (size_t records = in.Byte() % 65; records > 0; --records) {
    const size_t index = in.U16() % kBlockSectors;
    // Copies are taken from the block as it stands, changes made so far included.
    block[index] = MakeBase(in, offset + kBytes * index, block, kBlockSectors);
    ApplyMasks(in, block[index]);
    changed.push_back(index);
  }

  CheckBlock(offset);
  Reference reference;
  std::vector<bool> intact(kBlockSectors);
  for (size_t i = 0; i < kBlockSectors; ++i)
    intact[i] = reference.Classify(block[i], offset + kBytes * i);
  reference.CompareWithSession();

  // Each variant from every place where CheckBlock asks, and from one place the input names.
  for (const PatternKernels* k : Variants()) {
    for (size_t start = 0; start < kBlockSectors;) {
      const size_t expected = ReferencePrefix(intact, start, kBlockSectors - start);
      FUZZ_CHECK(k->intactPrefix(block + start, kBlockSectors - start, offset + kBytes * start) ==
                 expected);
      start += expected + 1;
    }
  }
  const size_t start = in.U16() % kBlockSectors;
  const size_t count = in.U16() % (kBlockSectors - start + 1);
  const size_t expected = ReferencePrefix(intact, start, count);
  for (const PatternKernels* k : Variants()) {
    FUZZ_CHECK(k->intactPrefix(block + start, count, offset + kBytes * start) == expected);
  }
  for (const size_t index : changed)
    CompareBitErrors(block[index], offset + kBytes * index, offset);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetSession();
  FUZZ_CHECK(TestSession.ioBuffer != nullptr);
  Input in(data, size);
  const bool block = in.Byte() & 1;
  const uint64_t offset = in.U64() & kSectorMask;
  if (block) {
    FuzzBlock(in, offset);
  } else {
    FuzzSingleSectors(in, offset);
  }
  return 0;
}
