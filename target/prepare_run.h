// Preparing a run, on the user-interface thread before the worker starts: clears what the last
// run left, resolves "all free space" into a size, and fixes the work that 100 % stands for.
#pragma once

// REQUIRES: a target is chosen; sizeMB, doWrite and doVerify are set for the run.
void PrepareRun();
