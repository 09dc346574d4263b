// The one serial port through which the tool talks to the DTU.
//
// The port never blocks waiting for data: a read takes only what the driver
// has already queued, and callers poll (WaitReadable lets a poll step end as
// soon as bytes arrive). Open is exclusive: a second opener, in this process
// or another, is refused (an exclusive mark that a killed opener left
// behind is not a holder: see serial_port_posix.cpp).
//
// Port names, as the operator writes them in the connection settings:
//   "COM<n>"       the n-th UART, /dev/ttyS<n-1>  (COM1 is /dev/ttyS0)
//   "/dev/ttyUSB0" a name that starts with "/" is a device path used as is
//   "ttyACM0"      any other name is taken under /dev
// A name may be up to 255 bytes long.
//
// Threads:
//   - Open, Close, ReopenForConfig, ApplyLineSettings and SetLineSetting run
//     on the UI thread (tests: the test's own thread).
//   - ReadQueued, Write, PurgeAll, WaitReadable, IsOpen and OpenedPortName may
//     be called from any thread at any time, also while the UI thread closes
//     or re-opens the port: they then see a closed port (reads return 0,
//     writes are lost). A descriptor is never used after it was closed.
//   - ReadQueued and Write take the lock of the calling side: PortLock() for
//     the UI, the AT terminal and the production test, the worker's own lock
//     for the configuration worker. Do not hold that lock when calling them.
//   - The claims (TryClaim, Claim, Release, Holder, WantedByOther) may be
//     used from any thread.
//
// Failures reach the operator through IMessageBox (open and re-open); all
// other failures are silent, as the DTU exchanges above report their own.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/message_box.h"
#include "serial/serial_device.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"

namespace zt {

// The device a port name stands for (see above). "" for an empty name.
std::string PortDevicePath(std::string_view port_name);

// The ports the connection dialog offers, in this order: "COM1" to "COM100"
// where the device opens or is held by another program, then the paths of
// the USB and ACM serial devices (/dev/ttyUSB*, /dev/ttyACM*) in numeric
// order. Names are ASCII.
std::vector<std::string> EnumeratePorts();
// The same probe with `dev_dir` in place of "/dev" (for tests): "COM<n>"
// stands for `dev_dir`/ttyS<n-1>, and the paths listed start with `dev_dir`.
std::vector<std::string> EnumeratePortsUnder(const std::string& dev_dir);

// Kinds of SetLineSetting, as the AT terminal numbers them.
enum LineSettingKind : int {
  kLineBaud = 0,
  kLineDataBits = 1,
  kLineStopBits = 2,     // 0 one, 1 one and a half, 2 two
  kLineParity = 3,       // 0 none, 1 odd, 2 even, 3 mark, 4 space
  kLineFlowControl = 4,  // stored only; the line never uses it
};

// Who drives the DTU exchanges on the port. One user at a time: every
// transaction holds a claim for its user while it runs, and a production
// test run holds one for its whole run, so that the worker's commands never
// interleave with the test's exchanges on the wire. Claims are apart from
// opening and closing: closing the port still ends a run's exchanges, and a
// run keeps its claim over a re-open.
enum class PortUser : std::uint8_t {
  kNone = 0,
  kWorker = 1,          // the configuration worker, one transaction at a time
  kProductionTest = 2,  // a production test run
};

enum class ClaimResult {
  kRefused,      // another user has the port
  kTaken,        // the port was free and is the caller's now
  kAlreadyHeld,  // the caller's user had it already
};

class CSerialPort {
 public:
  CSerialPort(ToolSettingsStore& settings, ProcessFlags& flags, IMessageBox& messages);
  ~CSerialPort();
  CSerialPort(const CSerialPort&) = delete;
  CSerialPort& operator=(const CSerialPort&) = delete;

  // Opens the configured port (an empty name becomes "COM1" in the settings)
  // at the configured baud, 8 data bits, no parity, one stop bit; clears the
  // driver buffers and raises DTR. Success sets flags.port_open, clears
  // flags.port_closed and remembers the name. Failure changes nothing and
  // shows "打开串口失败: 串口不存在!" when no device has that name, else
  // "打开串口失败: 串口已占用或其他错误!".
  bool Open();

  // Closes the port; flags.port_open cleared, flags.port_closed set. A worker
  // transaction that polls sees the port-closed flag at its next step.
  void Close();

  // When the parameter view becomes active. Does nothing unless
  // flags.port_open is set; otherwise closes and re-opens the device, stores
  // data bits 8, stop bits 0 (one) and parity 0 (none) in the settings and
  // sets the line to the configured baud and 8N1. A failed re-open shows
  // "修改串口参数失败" and leaves the port closed while flags.port_open stays
  // set, so transactions time out. Returns whether the port is open after it.
  bool ReopenForConfig();

  // Closes and re-opens the device as ReopenForConfig does, then applies the
  // baud, data bits, stop bits and parity of the settings (flow control is
  // stored for the AT terminal only). Returns whether the port is open after it.
  bool ApplyLineSettings();

  // The AT terminal's change of one line setting (LineSettingKind; other
  // kinds are ignored). Nothing happens while flags.port_open is clear or
  // when the value equals the stored one (8-bit kinds compare the low 8
  // bits); otherwise the value is stored and ApplyLineSettings runs.
  void SetLineSetting(int kind, std::uint32_t value);

  // Reads what the driver has queued, at most `capacity` bytes (and at most
  // 65535), under `lock`; the rest stays queued. Returns the count; 0 when
  // nothing is queued, the port is closed or capacity is 0.
  std::uint16_t ReadQueued(std::mutex& lock, char* buffer, std::size_t capacity);

  // Writes all of `bytes` under `lock`. Failures are not reported: on a
  // closed port the bytes are lost; a line that accepts nothing for 10 s, or
  // a close from the UI thread, ends the write.
  void Write(std::mutex& lock, std::string_view bytes);

  // Discards what the driver has received and nobody has read. Every
  // transaction calls it before it sends, so a late answer to an earlier
  // command is never taken for the next one's. Bytes already written are
  // left to go out: write() returns before they are on the line.
  void PurgeAll();

  // True at once when bytes are queued, or as soon as some arrive within
  // `max_ms`; false after `max_ms` without bytes, and false at once when the
  // port is closed or a close or re-open starts during the wait.
  bool WaitReadable(int max_ms);

  bool IsOpen() const;

  // The name given to the last successful Open (for the frame's messages).
  std::string OpenedPortName() const;

  // The lock of the UI, AT terminal and production-test threads.
  std::mutex& PortLock() { return port_lock_; }

  // Takes the port for `user` (not kNone) when nobody has it.
  ClaimResult TryClaim(PortUser user);
  // Waits until the port can be taken for `user` and takes it. Meanwhile a
  // worker transaction that has the port ends at its next step (it sees
  // WantedByOther). False, with nothing taken, once `cancel` reads true
  // (looked at every 20 ms).
  bool Claim(PortUser user, const std::atomic<bool>& cancel);
  // Gives the port back; nothing happens unless `user` has it.
  void Release(PortUser user);
  PortUser Holder() const { return holder_.load(); }
  // True while a user other than `user` waits in Claim.
  bool WantedByOther(PortUser user) const;

 private:
  bool CloseAndReopen();
  void PrepareLine(const serial_detail::LineFormat& line);
  void ShowError(std::string_view text);

  ToolSettingsStore& settings_;
  ProcessFlags& flags_;
  IMessageBox& messages_;
  std::mutex port_lock_;
  serial_detail::SerialDevice device_;
  mutable std::mutex name_mutex_;
  std::string opened_name_;

  std::atomic<PortUser> holder_{PortUser::kNone};
  std::atomic<PortUser> wanted_{PortUser::kNone};  // waiting in Claim
  std::mutex claim_mutex_;
  std::condition_variable claim_released_;
};

// A transaction's hold on the port: takes it for `user` unless that user has
// it already, and gives back on destruction only what it took.
class PortClaim {
 public:
  PortClaim(CSerialPort& port, PortUser user) : port_(port), user_(user), result_(port.TryClaim(user)) {}
  ~PortClaim() {
    if (result_ == ClaimResult::kTaken) port_.Release(user_);
  }
  PortClaim(const PortClaim&) = delete;
  PortClaim& operator=(const PortClaim&) = delete;

  // Whether `user` may drive the port now.
  bool held() const { return result_ != ClaimResult::kRefused; }

 private:
  CSerialPort& port_;
  PortUser user_;
  ClaimResult result_;
};

}  // namespace zt
