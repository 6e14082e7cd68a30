// The kernels compiled for any processor of the target architecture.
#include <bit>

#include "engine/pattern.h"
#include "engine/pattern_coefficients.h"
#include "engine/pattern_kernels.h"
#include "engine/pattern_kernels.inc"

extern const PatternKernels kPlainKernels = {"plain", Fill, IntactPrefix, BitErrors};
