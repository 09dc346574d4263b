// zereltool-cli ports [--json] [--udev-rule PORT [--serial]]
//
// Lists the serial ports, one a line: name, stable name, description,
// VID:PID, serial number and who holds the port, tab-separated ("-" where
// nothing is known); --json prints the same as a JSON array. --udev-rule
// PORT prints a udev rule for that USB port's VID:PID (and serial number
// with --serial) that keeps ModemManager off it and gives it to group
// dialout, mode 0660, ready for /etc/udev/rules.d/.
//
// The ports are read under the folder the ZT_PORTS_ROOT environment variable
// names, when it is set (a test's fixture tree), else on the machine.
#pragma once

namespace zt::cli {

// Whether the command line is the ports command (its first word).
bool IsPortsCommand(int argc, char** argv);

// Runs it; the program's exit status (2 for a bad command line or a port
// that is not listed or not USB).
int RunPortsCommand(int argc, char** argv);

}  // namespace zt::cli
