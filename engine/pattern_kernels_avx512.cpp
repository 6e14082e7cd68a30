// The kernels compiled for x86-64 processors with AVX-512 (F, DQ, BW, VL).
#include <bit>

#include "engine/pattern.h"
#include "engine/pattern_coefficients.h"
#include "engine/pattern_kernels.h"
#include "engine/pattern_kernels.inc"

extern const PatternKernels kAvx512Kernels = {"avx512", Fill, IntactPrefix, BitErrors};
