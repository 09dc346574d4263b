// zereltool-cli monitor [--timestamps] [--hex] [--log FILE]
//
// Opens the port as the other commands do and prints what it receives until
// Ctrl+C (or SIGTERM), sending nothing: as text, or with --hex as rows of 16
// hex pairs with the text beside; with --timestamps each line (row) starts
// with the local time its first byte came. Standard output gets UTF-8 with
// every control byte but the line ends shown as \xNN; --log FILE gets the
// same lines as GBK, in a new private file (an existing FILE is refused).
//
// Exit status: 0 after Ctrl+C; 1 when writing the log fails; 2 a usage or
// port error, or a log file that cannot be created.
#pragma once

#include <string>

#include "cli/cli_options.h"

namespace zt::cli {

int RunMonitor(const Options& options);

}  // namespace zt::cli
