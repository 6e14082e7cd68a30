// The write pass: stores sizeMB MByte of the test pattern in new test files 1.kst, 2.kst, ...
// of 1024 MByte each (the last shorter), reporting each MByte in TestSession.progress.
// Before each further file it checks a sample of the data written so far (sample_check.h).
// Worker thread. Returns when all is written, on a stop request, when a run over all free space
// met a full medium within the tolerance, and when a sample check found data lost (unless
// TestSession.writeOnAfterLoss): the run is then shrunk to what was written. Any other failure
// ends the run through the error operations.
#pragma once

#include <cstdint>

void WritePass();

// How many MByte short of the expected size a medium may run full in an all-space run:
// 1 below 1048576 MByte, and 1 more for every further full 1048576 MByte.
inline uint64_t EarlyFullToleranceMB(uint64_t sizeMB) { return (sizeMB >> 20) + 1; }
