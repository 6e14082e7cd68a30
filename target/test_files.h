// The target directory and the test files already in it: how much complete test data it holds
// and whether any *.kst entry lies there at all. User-interface thread, never during a run
// (the inspections compose names into TestSession.fileName, which the worker uses).
#pragma once

#include <cstdint>

// MeasureTestFiles' answer when the files do not form a complete set.
inline constexpr uint64_t TEST_FILES_MISSIZED = 0xFFFFFFFFFFFFFFFE;

// Replaces the target directory; null leaves no target. No check of the path is made; the
// file system that holds it now is remembered, so that a run never writes to another one.
void SetTargetPath(const wchar_t* path);

// MByte of test data in the complete set 1.kst, 2.kst, ... k.kst: every file but the last of
// exactly 1024 MByte, the last a whole number of MByte. The walk ends at the first number that
// cannot be opened; 0 when 1.kst cannot. TEST_FILES_MISSIZED when a file is not a whole number
// of MByte or follows a file shorter or longer than 1024 MByte. No file data is read.
// REQUIRES: a target is chosen.
uint64_t MeasureTestFiles();

// True when any entry of the target directory matches *.kst, whatever its kind or number.
// REQUIRES: a target is chosen.
bool FindTestFiles();
