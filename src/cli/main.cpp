// zereltool-cli: configure and test a DTU from scripts and production lines.
#include <cstdio>
#include <iostream>

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "cli/console.h"

int main(int argc, char** argv) {
  using namespace zt::cli;
  const ParseResult parsed = ParseOptions(argc, argv);
  if (parsed.options.help) {
    std::cout << UsageText();
    return kExitOk;
  }
  if (!parsed.error.empty()) {
    std::cerr << "zereltool-cli: " << parsed.error << "\n(zereltool-cli --help shows the usage)\n";
    return kExitUsage;
  }
  return RunCommand(parsed.options);
}
