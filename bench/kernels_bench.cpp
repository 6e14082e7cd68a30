// The two kernels that run between every 1 MiB transfer: filling the buffer with the pattern,
// and checking a block read back, on intact data and on damaged data of each kind. Figures are
// bytes per second of test data, with the buffer in cache.
#include <benchmark/benchmark.h>

#include <cstring>

#include "engine/pattern.h"
#include "engine/sector_check.h"
#include "engine/test_session.h"

namespace {

constexpr uint64_t kBlockOffset = 0x123400000;  // above 4 GiB, as on a large medium

void ResetCounts() {
  std::lock_guard<std::mutex> guard(TestSession.lock);
  TestSession.progress = TestProgress();
}

void BM_FillPattern(benchmark::State& state) {
  uint64_t offset = kBlockOffset;
  for (auto _ : state) {
    FillPattern(offset);
    benchmark::ClobberMemory();
    offset += kBytesPerMB;
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytesPerMB));
}
BENCHMARK(BM_FillPattern);

// Checks the same block again and again; `damage` prepares it once.
void CheckRepeatedly(benchmark::State& state, void (*damage)(IoBuffer&)) {
  FillPattern(kBlockOffset);
  damage(*TestSession.ioBuffer);
  for (auto _ : state) {
    CheckBlock(kBlockOffset);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytesPerMB));
  ResetCounts();
  TestSession.aliasMap.Clear();
}

void BM_CheckIntact(benchmark::State& state) {
  CheckRepeatedly(state, [](IoBuffer&) {});
}
BENCHMARK(BM_CheckIntact);

void BM_CheckOneBadBitPerSector(benchmark::State& state) {
  CheckRepeatedly(state, [](IoBuffer& buffer) {
    for (Sector& sector : buffer.sectors) sector.words[17] ^= 1;
  });
}
BENCHMARK(BM_CheckOneBadBitPerSector);

void BM_CheckEverySectorForeign(benchmark::State& state) {
  // Every sector holds the intact pattern of another offset, a different one each time round
  // so that the alias set keeps growing as on a fake medium.
  FillPattern(0);
  uint64_t round = 1;
  for (auto _ : state) {
    state.PauseTiming();
    FillPattern(round++ * kBytesPerMB);
    state.ResumeTiming();
    CheckBlock(kBlockOffset);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytesPerMB));
  ResetCounts();
  TestSession.aliasMap.Clear();
}
BENCHMARK(BM_CheckEverySectorForeign);

void BM_CheckEverySectorZero(benchmark::State& state) {
  CheckRepeatedly(state, [](IoBuffer& buffer) { std::memset(&buffer, 0, sizeof buffer); });
}
BENCHMARK(BM_CheckEverySectorZero);

void BM_Memset(benchmark::State& state) {  // the yardstick: the same buffer, set
  for (auto _ : state) {
    std::memset(TestSession.ioBuffer, 0x5A, sizeof(IoBuffer));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytesPerMB));
}
BENCHMARK(BM_Memset);

}  // namespace

BENCHMARK_MAIN();
