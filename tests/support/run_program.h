// Runs a program of the build to its end and collects what it printed.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace zt::test {

struct ProgramResult {
  int status = -1;      // exit status, 128 + signal, or -1 when it could not run or timed out
  std::string out;      // standard output
  std::string err;      // standard error
};

// Where and with what a program runs, beyond the test's own. A program never
// runs in the test's own folder: without a working folder it gets a new
// temporary one, removed when it ends, so nothing it writes lands in the
// source tree or the build folder.
struct ProgramSetup {
  std::string working_folder;            // empty: a new temporary folder
  std::vector<std::string> environment;  // "NAME=VALUE" replaces the test's NAME; "NAME" alone removes it
  std::string input;                     // standard input
  std::chrono::seconds timeout{120};     // the program is killed after it
};

// Runs `argv` (argv[0] is the program's path) in a temporary folder with
// `input` on its standard input; kills it after `timeout`.
ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& input = {},
                         std::chrono::seconds timeout = std::chrono::seconds(120));
ProgramResult RunProgram(const std::vector<std::string>& argv, const ProgramSetup& setup);

}  // namespace zt::test
