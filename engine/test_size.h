// The amount of test data of a run, and the warning that the run covers only part of the
// medium. Called by the user interface before a run and by the write pass when the medium
// fills up early.
#pragma once

#include <cstdint>

// Stores `sizeMB` and rebuilds the partial-capacity warning: present exactly when the volume's
// total size is known and differs from `sizeMB`.
void SetTestSize(uint64_t sizeMB);
