// The one line of live progress that kestrum-cli shows: each pass that has begun with its
// amount, time with the remaining time, and speed, as the progress dialog shows them, and the
// share of the run done.
#pragma once

#include <string>

#include "platform/memory_dialog.h"

// The line from the texts that UpdateProgress has set in `progressDialog`.
std::wstring LiveLine(MemoryDialog& progressDialog);
