// The one serial port through which the tool talks to the DTU.
//
// The port never blocks waiting for data: a read takes only what the driver
// has already queued, and callers poll (WaitReadable lets a poll step end as
// soon as bytes arrive). Open is exclusive: a second opener, in this process
// or another, is refused, and so is a port whose UUCP lock file names a live
// program (an exclusive mark or a lock file that a killed opener left behind
// is not a holder: see serial_port_posix.cpp and uucp_lock.h).
//
// Port names, as the operator writes them in the connection settings:
//   "COM<n>"       the n-th UART, /dev/ttyS<n-1>  (COM1 is /dev/ttyS0)
//   "/dev/ttyUSB0" a name that starts with "/" is a device path used as is
//                  (a stable /dev/serial/by-id/... link too)
//   "ttyACM0"      any other name is taken under /dev
//   "rfc2217://HOST:PORT", "tcp://HOST:PORT"
//                  a serial port on another machine, over TCP (net_link.h);
//                  a dropped connection is a device that went away
// A name may be up to 255 bytes long.
//
// A device that goes away while the port is open (a pulled USB adapter, a DTU
// that re-enumerates when it resets) closes the port: the port's own watcher
// thread sees the hang-up, sets flags.port_closed (so a worker transaction
// ends with its port-closed abort line), closes the device and reports
// PortRemoved. When auto-reconnect is on in the settings, or while a
// production test expects the device back (ReturnExpected), and the port was
// opened by a stable name (a link) or its USB device has a serial number, the
// watcher waits for the device to come back (udev, inotify: no polling),
// opens it again and reports PortReturned.
//
// Threads:
//   - Open, Close, ReopenForConfig, ApplyLineSettings and SetLineSetting run
//     on the UI thread (tests: the test's own thread); the watcher's re-open
//     after a return is serialised with them.
//   - ReadQueued, Write, PurgeAll, WaitReadable, IsOpen, Removed and
//     OpenedPortName may be called from any thread at any time, also while
//     the port closes or re-opens: they then see a closed port (reads return
//     0, writes are lost). A descriptor is never used after it was closed.
//   - ReadQueued and Write take the lock of the calling side: PortLock() for
//     the UI, the AT terminal and the production test, the worker's own lock
//     for the configuration worker. Do not hold that lock when calling them.
//   - The claims (TryClaim, Claim, Release, Holder, WantedByOther) and
//     ExpectReturn may be used from any thread.
//   - IPortEvents are called on the watcher thread.
//
// The port shows nothing and writes no setting: open and re-open return a
// PortResult, and the front ends show its text (port_texts.h) and store what
// they decide.
#pragma once

#include <atomic>
#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "serial/link_clock.h"
#include "serial/port_list.h"
#include "serial/port_result.h"
#include "serial/serial_device.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"

namespace zt {

class DeviceReturnWatch;

// The device a port name stands for (see above). "" for an empty name.
std::string PortDevicePath(std::string_view port_name);

// The front ends' open: an empty port name becomes "COM1" in the settings
// before the port opens.
void StoreDefaultPortNameIfEmpty(ToolSettingsStore& settings);
// After a successful ReopenForConfig: data bits 8, stop bits 0 (one) and
// parity 0 (none) become the stored line format.
void StoreConfigLineFormat(ToolSettingsStore& settings);

// What the port tells its front end, on the port's watcher thread.
class IPortEvents {
 public:
  virtual ~IPortEvents() = default;
  // The device went away while the port was open; the port is closed now.
  virtual void PortRemoved(const std::string& port_name) = 0;
  // The device came back and the port is open again, at the same line settings.
  virtual void PortReturned(const std::string& port_name) = 0;
};

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
  CSerialPort(ToolSettingsStore& settings, ProcessFlags& flags);
  ~CSerialPort();
  CSerialPort(const CSerialPort&) = delete;
  CSerialPort& operator=(const CSerialPort&) = delete;

  // Where PortRemoved and PortReturned go (nullptr: nowhere). Set it before
  // Open; `events` must outlive the port or be replaced first (a call in
  // progress has ended when SetEvents returns).
  void SetEvents(IPortEvents* events);

  // Opens the configured port at the configured baud, 8 data bits, no
  // parity, one stop bit; clears the driver buffers and raises DTR. Success
  // sets flags.port_open, clears flags.port_closed and remembers the name;
  // its notices (no lock file, ModemManager) come once per port object and
  // device. Failure changes nothing; an empty name names no device, and a
  // speed the driver refuses is kBaudRefused with the device closed again.
  PortResult Open();

  // Closes the port; flags.port_open cleared, flags.port_closed set. A worker
  // transaction that polls sees the port-closed flag at its next step. A
  // wait for a removed device to return ends.
  void Close();

  // When the parameter view becomes active. Does nothing (kNotOpen) unless
  // flags.port_open is set; otherwise closes and re-opens the device and
  // sets the line to the configured baud and 8N1 (the front end stores the
  // 8N1 codes on success). A failed re-open leaves the port closed while
  // flags.port_open stays set, so transactions time out.
  PortResult ReopenForConfig();

  // Closes and re-opens the device as ReopenForConfig does, then applies the
  // baud, data bits, stop bits and parity of the settings (flow control is
  // stored for the AT terminal only).
  PortResult ApplyLineSettings();

  // The AT terminal's change of one line setting (LineSettingKind; other
  // kinds are ignored). Nothing happens (kNone) while flags.port_open is
  // clear or when the value equals the stored one (8-bit kinds compare the
  // low 8 bits); otherwise the value is stored and ApplyLineSettings runs.
  PortResult SetLineSetting(int kind, std::uint32_t value);

  // True from the moment the device of the open port went away until the
  // port is opened (or re-opened after the device's return) or closed.
  bool Removed() const { return removed_.load(); }
  // How often the device of the open port went away since the port object
  // was made (a removal and return may both fall between two looks).
  std::uint64_t Removals() const { return removals_.load(); }

  // While at least one expectation is held, a device that goes away is
  // waited for (see above) whatever the auto-reconnect setting says.
  void ExpectReturn(bool expect);

  // The clock the time limits of the exchanges on this port count in
  // (link_clock.h): the real one unless the port's owner gives it another,
  // which it does while no transaction runs.
  zt::LinkClock LinkClock() const { return zt::LinkClock(clock_scale_.load()); }
  void SetLinkClock(zt::LinkClock clock) { clock_scale_.store(clock.scale()); }

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
  // The device path that name stood for at that open.
  std::string OpenedDevicePath() const;

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
  enum class Watch { kIdle, kHangup, kReturn };

  PortResult CloseAndReopen(const serial_detail::LineFormat& line);
  PortResult OpenDevice(const std::string& path, const serial_detail::LineFormat& line, bool purge);
  void AddOpenNotices(const std::string& path, PortResult& result);
  void Watching(Watch watch);  // state_mutex_ not held; bumps the generation
  void Tell(bool removed, const std::string& port_name);
  void WakeWatcher();
  void WatchLoop();
  void HandleHangup(std::uint64_t generation);
  void WaitForReturn(std::uint64_t generation);
  bool WantsReturn() const;

  ToolSettingsStore& settings_;
  ProcessFlags& flags_;
  std::mutex port_lock_;
  serial_detail::SerialDevice device_;

  // Open, Close, the re-opens and the watcher's removal and re-open, one at a time.
  std::mutex open_mutex_;
  mutable std::mutex state_mutex_;  // guards what follows, up to the watcher
  std::condition_variable state_changed_;
  std::string opened_name_;
  std::string opened_path_;
  UsbIdentity opened_identity_;
  bool opened_findable_ = false;  // a link, or a USB serial number: a return can be recognised
  dev_t opened_device_ = 0;       // the device number the name led to
  Watch watch_ = Watch::kIdle;
  std::uint64_t generation_ = 0;  // changes with every open, close and removal
  bool stopping_ = false;
  int expect_return_ = 0;
  bool lock_notice_given_ = false;
  std::vector<std::string> mm_noticed_;  // devices ModemManager was mentioned for
  std::unique_ptr<DeviceReturnWatch> return_watch_;
  std::atomic<bool> removed_{false};
  std::atomic<std::uint64_t> removals_{0};
  std::atomic<int> clock_scale_{zt::LinkClock().scale()};
  int control_ = -1;  // eventfd: wakes the watcher
  std::thread watcher_;
  // Held around every call of the events, so that SetEvents(nullptr)
  // returns only when none is in progress.
  std::mutex events_mutex_;
  IPortEvents* events_ = nullptr;

  std::atomic<PortUser> holder_{PortUser::kNone};
  std::atomic<PortUser> wanted_{PortUser::kNone};  // waiting in Claim
  std::mutex claim_mutex_;
  std::condition_variable claim_released_;
};

// A production test's expectation that the device goes away and comes back
// (a USB DTU re-enumerates when it resets), for the length of a scope.
class ReturnExpected {
 public:
  explicit ReturnExpected(CSerialPort& port) : port_(port) { port_.ExpectReturn(true); }
  ~ReturnExpected() { port_.ExpectReturn(false); }
  ReturnExpected(const ReturnExpected&) = delete;
  ReturnExpected& operator=(const ReturnExpected&) = delete;

 private:
  CSerialPort& port_;
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
