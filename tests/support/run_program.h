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

// Runs `argv` (argv[0] is the program's path) with `input` on its standard
// input; kills it after `timeout`.
ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& input = {},
                         std::chrono::seconds timeout = std::chrono::seconds(120));

}  // namespace zt::test
