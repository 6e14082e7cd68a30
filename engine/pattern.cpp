#include "engine/pattern.h"

#include "engine/pattern_kernels.h"
#include "engine/test_session.h"

void FillPattern(uint64_t offset) {
  Kernels().fill(TestSession.ioBuffer->sectors, kSectorsPerBlock, offset);
}
