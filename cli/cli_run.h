// kestrum-cli: the same test as the desktop program, from a terminal. Parses the command line,
// judges the target and starts the test with the same checks and texts as the main dialog,
// runs the same worker while it shows the progress, prints the text the progress dialog's
// result box would hold, and writes the JSON result. Main thread.
#pragma once

// Exit statuses.
inline constexpr int kExitNoError = 0;
inline constexpr int kExitDamaged = 1;
inline constexpr int kExitError = 2;
inline constexpr int kExitRefused = 3;
inline constexpr int kExitUnproven = 4;  // no damage found, but the medium may not have answered
inline constexpr int kExitStopped = 130;

// Runs the program; returns its exit status.
int RunCli(int argc, const char* const argv[]);
