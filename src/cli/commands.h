// The commands of zereltool-cli; each returns the program's exit status.
#pragma once

#include "cli/cli_options.h"

namespace zt::cli {

int RunCommand(const Options& options);

}  // namespace zt::cli
