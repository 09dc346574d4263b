#include "serial/udev_properties.h"

#include <libudev.h>

#include "serial/udev_lock.h"

#include <fstream>
#include <sstream>

namespace zt {

UdevProperties ParseUdevDatabase(const std::string& text) {
  UdevProperties properties;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.size() < 3 || line.compare(0, 2, "E:") != 0) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    properties[line.substr(2, equals - 2)] = line.substr(equals + 1);
  }
  return properties;
}

UdevProperties UdevPropertiesOf(const std::string& root, const std::string& kernel_name,
                                const std::string& dev_numbers) {
  if (!root.empty()) {
    std::ifstream file(root + "/run/udev/data/c" + dev_numbers);
    std::ostringstream text;
    text << file.rdbuf();
    return ParseUdevDatabase(text.str());
  }
  UdevProperties properties;
  const std::lock_guard lock(UdevLock());
  udev* context = udev_new();
  if (context == nullptr) return properties;
  if (udev_device* device = udev_device_new_from_subsystem_sysname(context, "tty", kernel_name.c_str())) {
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_device_get_properties_list_entry(device)) {
      const char* value = udev_list_entry_get_value(entry);
      properties[udev_list_entry_get_name(entry)] = value != nullptr ? value : "";
    }
    udev_device_unref(device);
  }
  udev_unref(context);
  return properties;
}

}  // namespace zt
