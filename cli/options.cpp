#include "cli/options.h"

#include <cstring>

namespace {

struct OptionSpec {
  const char* name;
  const char* value;  // the value's name, or null for a flag
  const char* help;
  void (*apply)(CliOptions& options, const std::string& value);
};

bool ValidLanguage(const std::string& value) { return value == "0" || value == "1"; }

const OptionSpec kOptions[] = {
    {"--verify-only", nullptr, "verify the test files already in DIR instead of writing new ones",
     [](CliOptions& o, const std::string&) { o.verifyOnly = true; }},
    {"--size", "MBYTE", "write and verify MBYTE MByte instead of all free space",
     [](CliOptions& o, const std::string& v) { o.sizeMB = v; }},
    {"--endless", nullptr, "repeat the verify pass until stopped or until it finds a wrong bit",
     [](CliOptions& o, const std::string&) { o.endless = true; }},
    {"--write-all", nullptr,
     "write all the data even after a check while writing found the medium losing data",
     [](CliOptions& o, const std::string&) { o.writeAll = true; }},
    {"--lang", "0|1", "texts in simplified (0, the default) or traditional (1) Chinese",
     [](CliOptions& o, const std::string& v) { o.language = v == "1" ? 1 : 0; }},
    {"--json", "FILE", "write the result as JSON to FILE when the run ends (- for standard output)",
     [](CliOptions& o, const std::string& v) { o.jsonPath = v; }},
    {"--help", nullptr, "show this help", [](CliOptions& o, const std::string&) { o.help = true; }},
    {"--version", nullptr, "show the version",
     [](CliOptions& o, const std::string&) { o.version = true; }},
};

const OptionSpec* FindOption(const std::string& name) {
  for (const OptionSpec& option : kOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

}  // namespace

bool ParseOptions(int argc, const char* const argv[], CliOptions* options, std::string* error) {
  bool directoryGiven = false;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    const std::string argument = argv[i];
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
      if (directoryGiven) {
        *error = "more than one directory given: '" + argument + "'";
        return false;
      }
      options->directory = argument;
      directoryGiven = true;
      continue;
    }
    const size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const OptionSpec* option = FindOption(name);
    if (option == nullptr) {
      *error = "unknown option '" + name + "'";
      return false;
    }
    std::string value;
    if (option->value == nullptr) {
      if (equals != std::string::npos) {
        *error = "option '" + name + "' takes no value";
        return false;
      }
    } else if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      *error = "option '" + name + "' needs a value (" + option->value + ")";
      return false;
    }
    if (name == "--lang" && !ValidLanguage(value)) {
      *error = "option '--lang' takes 0 or 1, not '" + value + "'";
      return false;
    }
    option->apply(*options, value);
  }
  if (!directoryGiven && !options->help && !options->version) {
    *error = "no directory given (see --help)";
    return false;
  }
  return true;
}

std::string HelpText() {
  std::string text =
      "Usage: kestrum-cli [OPTIONS] DIR\n"
      "Tests the medium that holds DIR: writes test files 1.kst, 2.kst, ... into DIR and reads\n"
      "them back, or verifies the test files already there, and reports every damaged sector.\n"
      "\nOptions:\n";
  for (const OptionSpec& option : kOptions) {
    std::string name =
        std::string(option.name) + (option.value ? std::string(" ") + option.value : "");
    name.resize(std::max<size_t>(name.size() + 2, 18), ' ');
    text += "  " + name + option.help + "\n";
  }
  text +=
      "\nWhile writing, each time a test file of 1024 MByte is complete, a small sample of the\n"
      "data written so far is read back from the medium. When some of it is lost, the medium\n"
      "stores less than it claims: writing ends there (unless --write-all) and the data written\n"
      "is verified. Where the reads may be answered from the system's memory, no sample is read.\n"
      "\nCtrl-C or SIGTERM stops a run as the Stop button does: the file in use is closed and the\n"
      "test files written so far stay.\n"
      "\nExit status:\n"
      "  0    no error found, every read answered by the medium\n"
      "  1    damaged sectors or data lost while writing found (also when the run then ended by\n"
      "       an error or was stopped)\n"
      "  2    the run ended by an error\n"
      "  3    refused before starting: bad arguments, test files present or damaged, no test\n"
      "       files to verify, an inaccessible directory, a size of zero or too large\n"
      "  4    no error found, but the reads may have been answered from the system's memory\n"
      "       rather than the medium (a file system served by a process whose device this user\n"
      "       may not read, a network or memory file system): replug the medium and verify\n"
      "       again, or run as a user who may read the device\n"
      "  130  stopped\n";
  return text;
}
