// udev's properties of a tty (ID_MM_DEVICE_IGNORE, ID_VENDOR_FROM_DATABASE,
// ...): from libudev on the machine itself, from the database file
// <root>/run/udev/data/c<major>:<minor> ("E:KEY=VALUE" lines, the format
// udev writes) under a test root.
#pragma once

#include <map>
#include <string>

namespace zt {

using UdevProperties = std::map<std::string, std::string>;

// `root` "" is the machine. `kernel_name` is "ttyUSB0", `dev_numbers` the
// tty's "major:minor".
UdevProperties UdevPropertiesOf(const std::string& root, const std::string& kernel_name,
                                const std::string& dev_numbers);

// Parses udev's database text.
UdevProperties ParseUdevDatabase(const std::string& text);

}  // namespace zt
