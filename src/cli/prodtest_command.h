// zereltool-cli prodtest: the production test without the window. The
// command line takes the place of the test view's choices; Start's checks,
// section "TEST" and the run are the window's own.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace zt::cli {

// 0 when every unit tested passed, 1 when a unit failed or the run was
// stopped (Ctrl+C), 2 for refused settings or a port that will not open.
// Several ports (--port given more than once, or --ports-file): one unit on
// each at once with the same choices, every line starting with its port
// ("[ttyUSB3] 参数配置成功!"), a summary line per port at the end; 0 only when
// every port's run passed.
int RunProdtest(const Options& options);

// The ports of --port and --ports-file, in order; an error text (and no
// ports) when the file cannot be read or a port is named twice.
struct PortList {
  std::vector<std::string> ports;
  std::string error;
};
PortList PortsOf(const Options& options);

// The label a port's lines start with: the name after its last "/" ("[ttyUSB3] "),
// a remote port's whole name.
std::string PortLabel(const std::string& port);

}  // namespace zt::cli
