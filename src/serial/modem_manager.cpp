#include "serial/modem_manager.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "serial/udev_properties.h"

namespace zt {

bool ModemManagerRunning(const std::string& proc_root) {
  DIR* proc = ::opendir(proc_root.c_str());
  if (proc == nullptr) return false;
  bool running = false;
  while (const dirent* entry = ::readdir(proc)) {
    const std::string pid = entry->d_name;
    if (pid.empty() || !std::all_of(pid.begin(), pid.end(), ::isdigit)) continue;
    std::ifstream comm(proc_root + "/" + pid + "/comm");
    std::string name;
    std::getline(comm, name);
    if (name == "ModemManager") {
      running = true;
      break;
    }
  }
  ::closedir(proc);
  return running;
}

bool ModemManagerWouldProbe(const std::string& device_path) {
  std::error_code error;
  const std::string kernel = std::filesystem::canonical(device_path, error).filename().string();
  if (error || (kernel.rfind("ttyUSB", 0) != 0 && kernel.rfind("ttyACM", 0) != 0)) return false;
  std::ifstream numbers("/sys/class/tty/" + kernel + "/dev");
  std::string dev;
  std::getline(numbers, dev);
  const UdevProperties properties = UdevPropertiesOf("", kernel, dev);
  const auto ignore = properties.find("ID_MM_DEVICE_IGNORE");
  return ignore == properties.end() || ignore->second != "1";
}

std::string UdevRuleFor(const PortInfo& port, bool with_serial) {
  std::string rule = "# " + port.kernel_name + ": " + port.Description() +
                     "\n# kept away from ModemManager, for the users of group dialout\n";
  rule += "SUBSYSTEM==\"tty\", ATTRS{idVendor}==\"" + port.vendor_id + "\", ATTRS{idProduct}==\"" +
          port.product_id + "\", ";
  if (with_serial && !port.serial.empty()) rule += "ATTRS{serial}==\"" + port.serial + "\", ";
  rule += "ENV{ID_MM_DEVICE_IGNORE}=\"1\", GROUP=\"dialout\", MODE=\"0660\"\n";
  return rule;
}

}  // namespace zt
