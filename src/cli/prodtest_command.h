// zereltool-cli prodtest: the production test without the window. The
// command line takes the place of the test view's choices; Start's checks,
// section "TEST" and the run are the window's own.
#pragma once

#include "cli/cli_options.h"

namespace zt::cli {

// 0 when every unit tested passed, 1 when a unit failed or the run was
// stopped (Ctrl+C), 2 for refused settings or a port that will not open.
int RunProdtest(const Options& options);

}  // namespace zt::cli
