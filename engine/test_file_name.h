// The names of the test files: 1.kst, 2.kst, ... directly inside the target directory, each
// holding 1024 MByte of the test data but the last. Composed into TestSession.fileName, which
// the engine quotes in its messages.
#pragma once

#include <cstdint>

inline constexpr uint64_t TEST_FILE_SIZE = 1073741824;  // bytes in every test file but the last

// The separator between the target path and a name: none when the path ends in one already.
const wchar_t* TestFileSeparator();

// True when the names of all test files, up to the largest number, fit into fileName.
// REQUIRES: a target is chosen.
bool TestFileNamesFit();

// Composes the name of test file `number` into TestSession.fileName. Returns false, with
// fileName cut short, when the name does not fit; such a name must not be used.
// REQUIRES: a target is chosen.
bool ComposeTestFileName(uint64_t number);
