// The write pass: stores sizeMB MByte of the test pattern in new test files 1.kst, 2.kst, ...
// of 1024 MByte each (the last shorter), reporting each MByte in TestSession.progress.
// Worker thread. Returns when all is written, on a stop request, and when a run over all free
// space met a full medium within the tolerance (the run is then shrunk to what was written);
// any other failure ends the run through the error operations.
#pragma once

#include <cstdint>

void WritePass();

// How many MByte short of the expected size a medium may run full in an all-space run:
// 1 below 1048576 MByte, and 1 more for every further full 1048576 MByte.
inline uint64_t EarlyFullToleranceMB(uint64_t sizeMB) { return (sizeMB >> 20) + 1; }
