#include "tests/support/cli_json.h"

#include <gtest/gtest.h>

CliJsonRun RunCliWithJson(const std::string& program, const std::string& directory,
                          std::vector<std::string> options, const std::optional<UserIds>& user) {
  options.insert(options.end(), {"--json", "-", directory});
  const ChildResult child = RunChild(program, options, false, {}, user);
  CliJsonRun run{child.status, nlohmann::json::parse(child.out, nullptr, false), child.err};
  EXPECT_FALSE(run.result.is_discarded()) << "no JSON result:\n" << child.out << child.err;
  return run;
}
