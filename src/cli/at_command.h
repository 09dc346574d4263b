// zereltool-cli at [--no-login] [--timeout MS] COMMAND...
//
// Connects as read does (wake-up and login; with --no-login the commands go
// to the port as it is), then sends each command in turn with CR LF and
// prints its reply after the echo on standard output, up to and including
// its OK or ERROR line (at_reply.h), escaped for the terminal. The first
// ERROR or a reply not complete within the time limit (default 10 s per
// command) ends the run.
//
// Exit status: 0 every reply ended in OK; 1 an ERROR, a time-out or a
// failed connect; 2 a usage or port error.
#pragma once

#include <string>

#include "cli/cli_options.h"

namespace zt::cli {

inline constexpr long kDefaultAtTimeoutMs = 10000;

int RunAt(const Options& options);

}  // namespace zt::cli
