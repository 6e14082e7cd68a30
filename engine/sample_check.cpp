#include "engine/sample_check.h"

#include <algorithm>

#include "engine/pattern_kernels.h"
#include "engine/test_file_name.h"
#include "engine/test_session.h"
#include "platform/file.h"

namespace {

constexpr size_t kProbeSectors = kSampleProbeBytes / kSectorBytes;
// 2^32 divided by the golden ratio: successive rounds put the spread probes at places that fill
// the gaps between earlier ones.
constexpr uint64_t kGoldenStep = 2654435769;

uint64_t TestFileNumber(uint64_t offset) { return offset / TEST_FILE_SIZE + 1; }

}  // namespace

SamplePlan PlanSample(uint64_t writtenBytes, uint64_t round) {
  SamplePlan plan;
  auto add = [&plan](uint64_t offset) { plan.offsets[plan.count++] = offset; };
  add(0);
  add(writtenBytes - kSampleProbeBytes);
  for (size_t k = 0; k + 1 < kSampleProbesFromEachEnd; ++k) {
    const uint64_t depth = kSampleProbeBytes << k;
    if (depth >= writtenBytes) break;
    add(depth);
    add(writtenBytes - kSampleProbeBytes - depth);
  }
  const uint64_t spread = kSampleProbes - plan.count;
  const uint64_t stratumProbes = writtenBytes / kSampleProbeBytes / spread;
  if (stratumProbes > 0) {
    const uint64_t phase = (round * kGoldenStep) & 0xFFFFFFFF;
    const uint64_t within = (stratumProbes * phase) >> 32;
    for (uint64_t j = 0; j < spread; ++j) add((j * stratumProbes + within) * kSampleProbeBytes);
  }
  std::sort(plan.offsets, plan.offsets + plan.count);
  plan.count = static_cast<size_t>(std::unique(plan.offsets, plan.offsets + plan.count) -
                                   plan.offsets);
  return plan;
}

SampleResult CheckSample(const SamplePlan& plan) {
  Sector* const sectors = TestSession.ioBuffer->sectors;
  for (size_t i = 0; i < plan.count;) {
    const uint64_t number = TestFileNumber(plan.offsets[i]);
    File file;
    if (!ComposeTestFileName(number) ||
        file.Open(TestSession.fileName, File::Mode::kOpenExistingRead) != 0) {
      return SampleResult::kLost;
    }
    if (!file.ReadsFromMedium()) return SampleResult::kUnproven;
    for (; i < plan.count && TestFileNumber(plan.offsets[i]) == number; ++i) {
      const uint64_t offset = plan.offsets[i];
      size_t bytesRead;
      if (file.Seek(offset % TEST_FILE_SIZE) != 0 ||
          file.Read(sectors, kSampleProbeBytes, &bytesRead) != 0 ||
          bytesRead != kSampleProbeBytes ||
          Kernels().intactPrefix(sectors, kProbeSectors, offset) != kProbeSectors) {
        return SampleResult::kLost;
      }
    }
  }
  return SampleResult::kIntact;
}
