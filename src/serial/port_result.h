// What opening (or re-opening) the port came to. The port itself shows
// nothing and stores nothing: the frame and the command line turn a result
// into the operator's message (port_texts.h) and decide what to keep.
//
// The operating system's error number is kept, so that a permission problem,
// a busy device and a missing one stay apart all the way to the operator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zt {

enum class PortErrorKind {
  kNone,              // opened
  kNotOpen,           // a re-open asked of a port that is not open: nothing was done
  kNoSuchDevice,      // nothing by that name (unplugged, mistyped)
  kPermissionDenied,  // the user may not open the device (not in its group)
  kBusy,              // another opener has the device (its flock, or the kernel said EBUSY)
  kLockedBy,          // a lock file names a live process
  kNotATerminal,      // the name is no terminal device
  kBaudRefused,       // the driver would not take the line speed
  kOther,             // anything else (a name too long, an I/O error, ...)
};

struct PortResult {
  PortErrorKind kind = PortErrorKind::kNone;
  int os_error = 0;             // errno of the failing call, 0 when none
  std::string device;           // the device path that was tried
  std::string device_group;     // kPermissionDenied: the group that owns the device, "" when unknown
  std::string holder_program;   // kLockedBy: the holder's name (/proc/<pid>/comm), "" when unknown
  long holder_pid = 0;          // kLockedBy
  std::uint32_t baud = 0;       // kBaudRefused: the speed asked for
  // Run-log lines (GBK) that go with a successful open: the lock folder that
  // cannot be written, ModemManager on the machine.
  std::vector<std::string> notices;

  bool ok() const { return kind == PortErrorKind::kNone; }
  explicit operator bool() const { return ok(); }
};

}  // namespace zt
