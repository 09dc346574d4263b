// Waits for a device that went away to come back, without polling: udev's
// monitor reports every tty that is added (a USB adapter plugged in again,
// a DTU that re-enumerated after a reset), and an inotify watch on the
// folder of the port's name reports a link or node made there again (a
// pseudo-terminal's link, or a machine without udev events).
//
// Thread safety: one thread uses an instance.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "serial/port_list.h"

struct udev;
struct udev_monitor;

namespace zt {

class DeviceReturnWatch {
 public:
  DeviceReturnWatch() = default;
  ~DeviceReturnWatch();
  DeviceReturnWatch(const DeviceReturnWatch&) = delete;
  DeviceReturnWatch& operator=(const DeviceReturnWatch&) = delete;

  // Starts watching for `path` (the port's name as opened: a link or a
  // device) and for a tty of the same USB identity (when it has a serial
  // number). Call it before the old device is closed, so that nothing that
  // happens after is missed.
  void Start(const std::string& path, const UsbIdentity& identity);

  enum class Event { kCandidate, kWoken, kTimedOut };
  // Waits until something may be the device again, `wake_fd` is readable,
  // or `timeout` passed. With kCandidate, candidate() is the path to try.
  Event Wait(int wake_fd, std::chrono::milliseconds timeout);
  const std::string& candidate() const { return candidate_; }

 private:
  void Stop();
  bool TakeUdevEvent();
  bool TakeInotifyEvent();

  std::string path_;
  std::string name_in_folder_;
  UsbIdentity identity_;
  std::string candidate_;
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  int inotify_ = -1;
};

}  // namespace zt
