// ModemManager, which desktops run: it probes every new ttyACM and ttyUSB
// with AT commands and may hold the port or confuse a DTU, unless udev tags
// the device ID_MM_DEVICE_IGNORE.
#pragma once

#include <string>

#include "serial/port_list.h"

namespace zt {

// Whether a ModemManager process runs on the machine (looked up in /proc,
// under `proc_root` for tests).
bool ModemManagerRunning(const std::string& proc_root = "/proc");

// Whether ModemManager would probe the device: a USB or ACM tty that udev
// does not tag ID_MM_DEVICE_IGNORE.
bool ModemManagerWouldProbe(const std::string& device_path);

// A udev rule for /etc/udev/rules.d/ that keeps ModemManager off the USB
// device and gives it to group dialout, mode 0660; with `with_serial` it
// names that one device by its serial number too. Needs a USB port.
std::string UdevRuleFor(const PortInfo& port, bool with_serial);

}  // namespace zt
