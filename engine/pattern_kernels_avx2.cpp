// The kernels compiled for x86-64 processors with AVX2.
#include <bit>

#include "engine/pattern.h"
#include "engine/pattern_coefficients.h"
#include "engine/pattern_kernels.h"
#include "engine/pattern_kernels.inc"

extern const PatternKernels kAvx2Kernels = {"avx2", Fill, IntactPrefix, BitErrors};
