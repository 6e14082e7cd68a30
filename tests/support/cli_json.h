// kestrum-cli run as a child process on a directory, the way a script runs it, with its JSON
// result on standard output.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

struct CliJsonRun {
  int status;
  nlohmann::json result;
  std::string text;  // what it printed besides the JSON result, on standard error
};

// Runs `program` (kestrum-cli) with `options` and "--json - DIRECTORY", as `user` if given.
// Reports through the test framework when no JSON result came.
CliJsonRun RunCliWithJson(const std::string& program, const std::string& directory,
                          std::vector<std::string> options,
                          const std::optional<UserIds>& user = std::nullopt);

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}
