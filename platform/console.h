// The terminal a front end runs in: whether an output stream is a terminal, and the signals by
// which the user or the system asks a running program to stop (Ctrl-C, SIGTERM).
// Main thread.
#pragma once

enum class OutputStream { kStandardOutput, kStandardError };

bool IsTerminal(OutputStream stream);

// While installed, SIGINT and SIGTERM call `handler` instead of ending the program. The handler
// runs in signal context: it may only store to lock-free atomics.
void HandleStopSignals(void (*handler)());
// Puts the system's own handling back.
void RestoreStopSignals();
