#include "engine/pattern_kernels.h"

extern const PatternKernels kPlainKernels;
#if defined(__x86_64__)
extern const PatternKernels kAvx2Kernels;
extern const PatternKernels kAvx512Kernels;
#endif

namespace {

bool Runs(const PatternKernels& kernels) {
#if defined(__x86_64__)
  if (&kernels == &kAvx512Kernels) {
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
  }
  if (&kernels == &kAvx2Kernels) return __builtin_cpu_supports("avx2");
#endif
  return &kernels == &kPlainKernels;
}

}  // namespace

std::vector<const PatternKernels*> AvailableKernels() {
  std::vector<const PatternKernels*> available;
  for (const PatternKernels* kernels : {
         &kPlainKernels,
#if defined(__x86_64__)
             &kAvx2Kernels, &kAvx512Kernels,
#endif
       }) {
    if (Runs(*kernels)) available.push_back(kernels);
  }
  return available;
}

const PatternKernels& Kernels() {
  static const PatternKernels& fastest = *AvailableKernels().back();
  return fastest;
}
