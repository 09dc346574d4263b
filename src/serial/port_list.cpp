#include "serial/port_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include "serial/udev_properties.h"
#include "serial/uucp_lock.h"

namespace zt {
namespace {

namespace fs = std::filesystem;

// The device families listed, in their order.
constexpr std::string_view kFamilies[] = {"ttyS", "ttyUSB", "ttyACM", "ttyAMA", "ttyXRUSB", "rfcomm"};
constexpr int kUartFamily = 0;
constexpr int kMaxSysfsSteps = 16;

struct Ordered {
  int family = -1;
  unsigned long number = 0;
};

Ordered OrderOf(const std::string& name) {
  for (int family = 0; family < static_cast<int>(std::size(kFamilies)); ++family) {
    const std::string_view prefix = kFamilies[family];
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) {
      continue;
    }
    const std::string digits = name.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
    return {family, std::stoul(digits)};
  }
  return {};
}

std::string Attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string value;
  std::getline(in, value);
  while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back())) != 0) value.pop_back();
  return value;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Property(const UdevProperties& properties, std::initializer_list<const char*> keys) {
  for (const char* key : keys) {
    if (const auto found = properties.find(key); found != properties.end() && !found->second.empty()) {
      return found->second;
    }
  }
  return {};
}

// The USB device above a tty's device folder: the first folder upwards with
// an idVendor attribute, not leaving the root's sys folder.
fs::path UsbDeviceFolder(const fs::path& device_link, const fs::path& sys_root) {
  std::error_code error;
  fs::path folder = fs::canonical(device_link, error);
  if (error) return {};
  const std::string top = fs::weakly_canonical(sys_root, error).string();
  for (int step = 0; step < kMaxSysfsSteps && folder.string().size() > top.size(); ++step) {
    if (fs::exists(folder / "idVendor", error)) return folder;
    folder = folder.parent_path();
  }
  return {};
}

// The machine's own UART check, for a ttyS port whose sysfs folder has no
// type attribute.
bool UartTypeKnown(const std::string& device) {
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  serial_struct info {};
  const bool known = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
  ::close(fd);
  return known;
}

// Device numbers of character devices held open by processes, to the first
// such process (the lowest PID): what fuser would say.
std::map<dev_t, long> OpenCharacterDevices() {
  std::map<dev_t, long> held;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return held;
  while (const dirent* entry = ::readdir(proc)) {
    const std::string pid_text = entry->d_name;
    if (pid_text.empty() || !std::all_of(pid_text.begin(), pid_text.end(), ::isdigit)) continue;
    const std::string fd_folder = "/proc/" + pid_text + "/fd";
    DIR* fds = ::opendir(fd_folder.c_str());
    if (fds == nullptr) continue;
    while (const dirent* fd_entry = ::readdir(fds)) {
      if (fd_entry->d_name[0] == '.') continue;
      struct stat info {};
      if (::stat((fd_folder + "/" + fd_entry->d_name).c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) continue;
      const long pid = std::stol(pid_text);
      auto [at, inserted] = held.emplace(info.st_rdev, pid);
      if (!inserted && pid < at->second) at->second = pid;
    }
    ::closedir(fds);
  }
  ::closedir(proc);
  return held;
}

// /dev/serial/by-id links under the root, by the kernel name they lead to.
std::map<std::string, std::string> StableNames(const std::string& root) {
  std::map<std::string, std::string> names;
  std::error_code error;
  const fs::path folder = fs::path(root + "/dev/serial/by-id");
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const fs::path target = fs::canonical(entry.path(), error);
    if (error) continue;
    const std::string kernel = target.filename().string();
    const std::string link = (folder / entry.path().filename()).string();
    // The shortest link wins when several lead to one device (by-id has one per interface name).
    if (auto found = names.find(kernel); found == names.end() || link < found->second) names[kernel] = link;
  }
  return names;
}

}  // namespace

std::string PortInfo::Description() const {
  std::string text = !product.empty() ? product : (!manufacturer.empty() ? manufacturer : driver);
  if (IsUsb()) {
    std::string ids = vendor_id + ":" + product_id;
    if (!serial.empty()) ids += ", " + serial;
    text += text.empty() ? ids : " (" + ids + ")";
  }
  return text;
}

std::string PortInfo::Label() const {
  const std::string description = Description();
  return description.empty() ? kernel_name : kernel_name + " \xE2\x80\x94 " + description;
}

std::vector<PortInfo> ListPorts(const std::string& root) {
  std::vector<std::pair<Ordered, PortInfo>> found;
  const fs::path sys_root = fs::path(root + "/sys");
  const std::map<std::string, std::string> stable = StableNames(root);
  std::map<dev_t, long> open_devices;
  bool open_devices_read = false;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(sys_root / "class" / "tty", error)) {
    PortInfo info;
    info.kernel_name = entry.path().filename().string();
    const Ordered order = OrderOf(info.kernel_name);
    if (order.family < 0) continue;
    const fs::path tty = entry.path();
    const fs::path device_link = tty / "device";
    info.device = root + "/dev/" + info.kernel_name;
    if (order.family == kUartFamily) {
      // A UART without hardware has no device behind it, or an unknown type.
      if (!fs::exists(device_link, error)) continue;
      const std::string type = Attribute(tty / "type");
      if (type.empty() ? !(root.empty() && UartTypeKnown(info.device)) : type == "0") continue;
    }
    const UdevProperties properties = UdevPropertiesOf(root, info.kernel_name, Attribute(tty / "dev"));
    if (const fs::path usb = UsbDeviceFolder(device_link, sys_root); !usb.empty()) {
      info.vendor_id = Lower(Attribute(usb / "idVendor"));
      info.product_id = Lower(Attribute(usb / "idProduct"));
      info.serial = Attribute(usb / "serial");
      info.manufacturer = Attribute(usb / "manufacturer");
      info.product = Attribute(usb / "product");
    } else if (!Property(properties, {"ID_VENDOR_ID"}).empty()) {
      info.vendor_id = Lower(Property(properties, {"ID_VENDOR_ID"}));
      info.product_id = Lower(Property(properties, {"ID_MODEL_ID"}));
      info.serial = Property(properties, {"ID_SERIAL_SHORT"});
    }
    if (info.manufacturer.empty()) info.manufacturer = Property(properties, {"ID_VENDOR_FROM_DATABASE", "ID_VENDOR"});
    if (info.product.empty()) info.product = Property(properties, {"ID_MODEL_FROM_DATABASE", "ID_MODEL"});
    if (const fs::path driver = fs::canonical(device_link / "driver", error); !error) {
      info.driver = driver.filename().string();
    }
    error.clear();
    info.mm_ignore = Property(properties, {"ID_MM_DEVICE_IGNORE"}) == "1";
    if (const auto link = stable.find(info.kernel_name); link != stable.end()) info.stable_name = link->second;
    if (order.family == kUartFamily) {
      info.name = "COM" + std::to_string(order.number + 1);
    } else {
      info.name = info.stable_name.empty() ? info.device : info.stable_name;
    }
    const LockHolder locked = LockHolderOf(info.device);
    if (locked.pid != 0) {
      info.holder_pid = locked.pid;
      info.holder_program = locked.program;
    } else if (struct stat device {}; ::stat(info.device.c_str(), &device) == 0 && S_ISCHR(device.st_mode)) {
      if (!open_devices_read) {
        open_devices = OpenCharacterDevices();
        open_devices_read = true;
      }
      if (const auto holder = open_devices.find(device.st_rdev); holder != open_devices.end()) {
        info.holder_pid = holder->second;
        info.holder_program = ProgramOfPid(holder->second);
      }
    }
    found.emplace_back(order, std::move(info));
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return std::tie(a.first.family, a.first.number) < std::tie(b.first.family, b.first.number);
  });
  std::vector<PortInfo> ports;
  for (auto& entry : found) ports.push_back(std::move(entry.second));
  return ports;
}

const PortInfo* FindPort(const std::vector<PortInfo>& ports, const std::string& name) {
  std::error_code error;
  const fs::path resolved = fs::canonical(name, error);
  for (const PortInfo& port : ports) {
    if (name == port.name || name == port.device || name == port.kernel_name ||
        (!port.stable_name.empty() && name == port.stable_name)) {
      return &port;
    }
    if (!resolved.empty() && fs::canonical(port.device, error) == resolved) return &port;
  }
  return nullptr;
}

UsbIdentity UsbIdentityOf(const std::string& device_path, const std::string& root) {
  std::error_code error;
  const fs::path device = fs::canonical(device_path, error);
  if (error) return {};
  const fs::path sys_root = fs::path(root + "/sys");
  const fs::path usb = UsbDeviceFolder(sys_root / "class" / "tty" / device.filename() / "device", sys_root);
  if (usb.empty()) return {};
  return {Lower(Attribute(usb / "idVendor")), Lower(Attribute(usb / "idProduct")), Attribute(usb / "serial")};
}

}  // namespace zt
