// The command line of kestrum-cli: one table of options drives both the parsing and --help.
#pragma once

#include <optional>
#include <string>

struct CliOptions {
  std::string directory;              // the target directory, as given
  bool verifyOnly = false;            // verify the test files already there
  std::optional<std::string> sizeMB;  // the size as typed; all free space when absent
  bool endless = false;
  bool writeAll = false;                // write on after a sample check found data lost
  int language = 0;                     // the text variant, 0 or 1
  std::optional<std::string> jsonPath;  // "-" for standard output
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program's name. Returns false with a one-line `error` for an
// unknown option, a missing or bad value, or a missing or extra directory.
bool ParseOptions(int argc, const char* const argv[], CliOptions* options, std::string* error);

// The text of --help.
std::string HelpText();

inline constexpr const char* kVersionText = "kestrum-cli 1.4\n";
