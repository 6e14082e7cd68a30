// The machine-readable result of a kestrum-cli run, written when the run ends.
#pragma once

#include <string>

#include "engine/test_session.h"

struct RunResult {
  const char* outcome;       // "completed", "unproven", "damaged", "error", "stopped" or "refused"
  std::wstring target;       // the directory tested
  uint64_t sizeMB;           // the run's size once prepared; what a refused start requested
  TestProgress progress;     // settled: copied after the worker's notification
  const wchar_t* errorText;  // the error that ended the run or the refusal; null for none
  const wchar_t* warningText;  // the partial-capacity warning; null for none
};

// One JSON object, with the names the program uses for its values (docs/cli.md lists them).
std::string ResultJson(const RunResult& result);
