// The commands of zereltool-cli; each returns the program's exit status.
#pragma once

#include "cli/cli_options.h"

namespace zt::cli {

// `paths` has ended before (file_setup.h), and the parser refuses a command
// line without a command: both give the usage status here.
int RunCommand(const Options& options);

}  // namespace zt::cli
