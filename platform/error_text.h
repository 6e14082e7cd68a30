// The system's own description of an error code, in the user's language where the system has
// one. Any thread.
#pragma once

#include <cstddef>

// Writes the description of `code` into `buffer` of `capacity` characters, always terminated.
void SystemErrorText(unsigned code, wchar_t* buffer, size_t capacity);
