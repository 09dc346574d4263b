// zereltool-cli: configure and test a DTU from scripts and production lines.
#include <cstdio>
#include <iostream>

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/file_setup.h"
#include "cli/ports_command.h"
#include "cli/records_command.h"
#include "serial/port_signals.h"
#include "zereltool/version.h"

namespace {

// What a command printed must have reached standard output: a table that
// could not be written (a full disk, a closed output) is a failure, whatever
// the command itself ended with.
int WithOutputWritten(int status) {
  std::cout.flush();
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0 && std::cout.good()) return status;
  std::cerr << "zereltool-cli: standard output could not be written\n";
  return status == zt::cli::kExitOk ? zt::cli::kExitUsage : status;
}

int Run(int argc, char** argv) {
  using namespace zt::cli;
  if (IsPortsCommand(argc, argv)) return RunPortsCommand(argc, argv);
  if (IsRecordsCommand(argc, argv)) return RunRecordsCommand(argc, argv);
  // Ctrl+C and SIGTERM leave no lock file behind.
  zt::InstallPortCleanupOnSignals(-1);
  const ParseResult parsed = ParseOptions(argc, argv);
  if (parsed.options.help) {
    std::cout << UsageText();
    return kExitOk;
  }
  if (parsed.options.version) {
    std::cout << "zereltool-cli " << zt::kVersion << "\n";
    return kExitOk;
  }
  if (!parsed.error.empty()) {
    std::cerr << "zereltool-cli: " << parsed.error << "\n(zereltool-cli --help shows the usage)\n";
    return kExitUsage;
  }
  Options options = parsed.options;
  if (const std::optional<int> status = SetUpFiles(options)) return *status;  // `paths` ends here
  return RunCommand(options);
}

}  // namespace

int main(int argc, char** argv) { return WithOutputWritten(Run(argc, argv)); }
