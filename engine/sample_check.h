// The sample check of the write pass: once a test file is complete, a small sample of the test
// data written so far is read back past every cache and its sectors are checked for the intact
// pattern, leaving the verify pass's counts alone. A medium that claims more than it stores must
// lose acknowledged data once more than its real size was written: the oldest data when it wraps
// around or keeps only what was written last wherever it went, the newest when it drops writes
// past its real size. So the sample reaches inwards from both ends of the data, a probe at every
// power of two, and spreads the rest of its probes over the whole, at new places every round, for
// file systems that do not lay data out in the order it was written.
// Worker thread: reads into TestSession.ioBuffer and composes names into TestSession.fileName.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/units.h"

// Small probes: a loss covers far more than one, and a file system that reads its medium through
// the system's cache reads ahead of every probe (exFAT through FUSE: 16 KiB for a probe of 4).
inline constexpr uint64_t kSampleProbeBytes = 4096;
inline constexpr size_t kSampleProbes = 128;  // 512 KiB a round: 0.05 % of a test file
// Probes reaching in from each end, the end itself included: deeper than any medium, leaving
// room for at least 40 spread ones.
inline constexpr size_t kSampleProbesFromEachEnd = 44;

struct SamplePlan {
  size_t count = 0;
  uint64_t offsets[kSampleProbes];  // absolute offsets of the probes' data, ascending
};

// The probes of sample round `round` over the first `writtenBytes` of test data.
// REQUIRES: writtenBytes is a nonzero multiple of kSampleProbeBytes.
SamplePlan PlanSample(uint64_t writtenBytes, uint64_t round);

enum class SampleResult {
  kIntact,    // every probe read back intact from the medium
  kLost,      // a probe could not be read, or a sector of it was not intact
  kUnproven,  // a cache this program cannot empty might answer: nothing was read
};

// Reads and checks the probes of `plan`, each test file opened once.
SampleResult CheckSample(const SamplePlan& plan);
