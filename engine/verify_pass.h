// The verify pass: reads the test files 1.kst, 2.kst, ... back in 1 MByte blocks, straight
// from the medium, hands each block to the sector check, and at the end checks that exactly
// sizeMB MByte were found. Worker thread. Returns when the data was complete and on a stop
// request; every other outcome ends the run through the error operations.
#pragma once

void VerifyPass();
