#include "serial/device_return_watch.h"

#include <libudev.h>
#include <limits.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "serial/udev_lock.h"

namespace zt {

DeviceReturnWatch::~DeviceReturnWatch() { Stop(); }

void DeviceReturnWatch::Stop() {
  {
    const std::lock_guard lock(UdevLock());
    if (monitor_ != nullptr) udev_monitor_unref(monitor_);
    if (udev_ != nullptr) udev_unref(udev_);
  }
  if (inotify_ >= 0) ::close(inotify_);
  monitor_ = nullptr;
  udev_ = nullptr;
  inotify_ = -1;
}

void DeviceReturnWatch::Start(const std::string& path, const UsbIdentity& identity) {
  Stop();
  path_ = path;
  identity_ = identity;
  {
    const std::lock_guard lock(UdevLock());
    udev_ = udev_new();
    if (udev_ != nullptr) {
      monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
      if (monitor_ != nullptr && (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) != 0 ||
                                  udev_monitor_enable_receiving(monitor_) != 0)) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
      }
    }
  }
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  name_in_folder_ = slash == std::string::npos ? path : path.substr(slash + 1);
  inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify_ >= 0 && ::inotify_add_watch(inotify_, folder.c_str(), IN_CREATE | IN_MOVED_TO | IN_ATTRIB) < 0) {
    ::close(inotify_);
    inotify_ = -1;
  }
}

// An added tty that is the port again: its name came back, or a device of
// the same USB identity appeared under another name.
bool DeviceReturnWatch::TakeUdevEvent() {
  const std::lock_guard lock(UdevLock());
  udev_device* device = udev_monitor_receive_device(monitor_);
  if (device == nullptr) return false;
  bool candidate = false;
  const char* action = udev_device_get_action(device);
  const char* node = udev_device_get_devnode(device);
  if (action != nullptr && std::string_view(action) == "add" && node != nullptr) {
    auto property = [&](const char* key) {
      const char* value = udev_device_get_property_value(device, key);
      return std::string(value != nullptr ? value : "");
    };
    char resolved[PATH_MAX];
    if (::realpath(path_.c_str(), resolved) != nullptr && std::string_view(resolved) == node) {
      candidate_ = path_;
      candidate = true;
    } else if (!identity_.serial.empty() && property("ID_VENDOR_ID") == identity_.vendor_id &&
               property("ID_MODEL_ID") == identity_.product_id &&
               property("ID_SERIAL_SHORT") == identity_.serial) {
      candidate_ = node;
      candidate = true;
    }
  }
  udev_device_unref(device);
  return candidate;
}

bool DeviceReturnWatch::TakeInotifyEvent() {
  alignas(inotify_event) char buffer[4096];
  bool named = false;
  for (;;) {
    const ssize_t n = ::read(inotify_, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->len > 0 && name_in_folder_ == event->name) named = true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  if (named) candidate_ = path_;
  return named;
}

DeviceReturnWatch::Event DeviceReturnWatch::Wait(int wake_fd, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    pollfd fds[3] = {{wake_fd, POLLIN, 0},
                     {monitor_ != nullptr ? udev_monitor_get_fd(monitor_) : -1, POLLIN, 0},
                     {inotify_, POLLIN, 0}};
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return Event::kTimedOut;
    const int ready = ::poll(fds, 3, static_cast<int>(std::min<std::int64_t>(left.count(), 60'000)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return Event::kTimedOut;
    if ((fds[0].revents & POLLIN) != 0) return Event::kWoken;
    bool candidate = false;
    if ((fds[1].revents & POLLIN) != 0) candidate = TakeUdevEvent();
    if ((fds[2].revents & POLLIN) != 0) candidate = TakeInotifyEvent() || candidate;
    if (candidate) return Event::kCandidate;
  }
}

}  // namespace zt
