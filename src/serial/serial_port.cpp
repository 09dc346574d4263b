#include "serial/serial_port.h"

#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <limits>

#include "serial/device_return_watch.h"
#include "serial/modem_manager.h"
#include "serial/net_link.h"
#include "serial/port_texts.h"
#include "serial/uucp_lock.h"

namespace zt {

namespace {

constexpr std::string_view kDefaultPortName = "COM1";
// How often a waiting claim looks at its cancel token.
constexpr std::chrono::milliseconds kClaimCancelSlice{20};
// A wait for a device's return has no end of its own: Close, Open or the
// end of the expectation wakes it.
constexpr std::chrono::hours kReturnWaitSlice{1};

// The n of "COM<n>" (any letter case, n from 1 without leading zeros), or 0.
long ComNumber(std::string_view name) {
  if (name.size() < 4 || name.size() > 12) return 0;
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
  }
  const std::string_view digits = name.substr(3);
  if (digits[0] == '0') return 0;
  long n = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

// The port was named by something that survives a re-enumeration: a link
// (/dev/serial/by-id/..., a pseudo-terminal's link), or its USB device has
// a serial number to know it by. Asked at the open: once the device is
// gone, so may be its link.
bool Findable(const std::string& path, const UsbIdentity& identity) {
  std::error_code error;
  return std::filesystem::is_symlink(path, error) || !identity.serial.empty();
}

// The device number `path` leads to now, 0 when it leads to no device.
dev_t DeviceNumber(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return 0;
  return info.st_rdev;
}

}  // namespace

std::string PortDevicePath(std::string_view port_name) {
  if (port_name.empty()) return {};
  if (serial_detail::IsNetworkPortName(port_name)) return std::string(port_name);
  if (const long n = ComNumber(port_name); n > 0) return "/dev/ttyS" + std::to_string(n - 1);
  if (port_name.front() == '/') return std::string(port_name);
  return "/dev/" + std::string(port_name);
}

void StoreDefaultPortNameIfEmpty(ToolSettingsStore& settings) {
  settings.Update([](ToolSettings& s) {
    if (s.port_name.empty()) s.port_name = kDefaultPortName;
  });
}

void StoreConfigLineFormat(ToolSettingsStore& settings) {
  settings.Update([](ToolSettings& s) {
    s.data_bits = 8;
    s.stop_bits = 0;
    s.parity = 0;
  });
}

CSerialPort::CSerialPort(ToolSettingsStore& settings, ProcessFlags& flags)
    : settings_(settings), flags_(flags), control_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CSerialPort::~CSerialPort() {
  {
    std::lock_guard lock(state_mutex_);
    stopping_ = true;
    WakeWatcher();
  }
  state_changed_.notify_all();
  if (watcher_.joinable()) watcher_.join();
  device_.Close();
  if (control_ >= 0) ::close(control_);
}

void CSerialPort::SetEvents(IPortEvents* events) {
  std::lock_guard lock(events_mutex_);
  events_ = events;
}

void CSerialPort::Tell(bool removed, const std::string& port_name) {
  std::lock_guard lock(events_mutex_);
  if (events_ == nullptr) return;
  if (removed) {
    events_->PortRemoved(port_name);
  } else {
    events_->PortReturned(port_name);
  }
}

// Called with state_mutex_ held, like every change the wake is for: the
// watcher drains the wake under the same mutex when it takes up a state, so
// a wake can never arrive after the state it announces was taken up and end
// the wait that state asked for.
void CSerialPort::WakeWatcher() {
  const std::uint64_t one = 1;
  if (control_ >= 0) [[maybe_unused]] const auto n = ::write(control_, &one, sizeof one);
}

void CSerialPort::Watching(Watch watch) {
  {
    std::lock_guard lock(state_mutex_);
    watch_ = watch;
    ++generation_;
    if (watch != Watch::kIdle && !watcher_.joinable()) watcher_ = std::thread(&CSerialPort::WatchLoop, this);
    WakeWatcher();
  }
  state_changed_.notify_all();
}

PortResult CSerialPort::OpenDevice(const std::string& path, const serial_detail::LineFormat& line, bool purge) {
  PortResult result = device_.Open(path);
  if (!result) return result;
  if (!device_.ApplyLine(line)) {
    device_.Close();
    result.kind = PortErrorKind::kBaudRefused;
    result.baud = line.baud;
    return result;
  }
  if (purge) device_.Purge();
  device_.RaiseDtr();
  return result;
}

void CSerialPort::AddOpenNotices(const std::string& path, PortResult& result) {
  std::lock_guard lock(state_mutex_);
  if (device_.WithoutLockFile() && !lock_notice_given_) {
    lock_notice_given_ = true;
    result.notices.push_back(NoLockFileText(LockFolder()));
  }
  // A port on another machine is no local device ModemManager could touch.
  if (serial_detail::IsNetworkPortName(path)) return;
  std::error_code error;
  const std::string device = std::filesystem::canonical(path, error).string();
  if (error || std::find(mm_noticed_.begin(), mm_noticed_.end(), device) != mm_noticed_.end()) return;
  if (ModemManagerWouldProbe(device) && ModemManagerRunning()) {
    mm_noticed_.push_back(device);
    result.notices.push_back(ModemManagerNoticeText(device, opened_name_));
  }
}

PortResult CSerialPort::Open() {
  std::lock_guard open_lock(open_mutex_);
  const ToolSettings settings = settings_.Get();
  PortResult result;
  if (settings.port_name.empty() || settings.port_name.size() > kMaxPortNameBytes) {
    result.kind = settings.port_name.empty() ? PortErrorKind::kNoSuchDevice : PortErrorKind::kOther;
    return result;
  }
  const std::string path = PortDevicePath(settings.port_name);
  // The stored data bits, stop bits and parity are not used here: the DTU
  // always talks 8N1.
  result = OpenDevice(path, {settings.baud, 8, 0, 0}, /*purge=*/true);
  if (!result) {
    if (!device_.IsOpen()) Watching(Watch::kIdle);
    return result;
  }
  {
    std::lock_guard lock(state_mutex_);
    opened_name_ = settings.port_name;
    opened_path_ = path;
    // A network port has no device to find again: a dropped connection is
    // a removal with no return to wait for.
    const bool network = serial_detail::IsNetworkPortName(path);
    opened_identity_ = network ? UsbIdentity{} : UsbIdentityOf(path);
    opened_findable_ = !network && Findable(path, opened_identity_);
    opened_device_ = network ? 0 : DeviceNumber(path);
  }
  AddOpenNotices(path, result);
  removed_.store(false);
  flags_.port_open = true;
  flags_.port_closed = false;
  Watching(Watch::kHangup);
  return result;
}

void CSerialPort::Close() {
  std::lock_guard open_lock(open_mutex_);
  Watching(Watch::kIdle);
  removed_.store(false);
  device_.Close();
  flags_.port_open = false;
  flags_.port_closed = true;
}

PortResult CSerialPort::CloseAndReopen(const serial_detail::LineFormat& line) {
  std::lock_guard open_lock(open_mutex_);
  Watching(Watch::kIdle);
  device_.Close();
  const std::string name = settings_.Get().port_name;
  PortResult result;
  if (name.empty() || name.size() > kMaxPortNameBytes) {
    result.kind = PortErrorKind::kOther;
    return result;
  }
  result = OpenDevice(PortDevicePath(name), line, /*purge=*/true);
  if (result) Watching(Watch::kHangup);
  return result;
}

PortResult CSerialPort::ReopenForConfig() {
  if (!flags_.port_open) {
    PortResult nothing;
    nothing.kind = PortErrorKind::kNotOpen;
    return nothing;
  }
  return CloseAndReopen({settings_.Get().baud, 8, 0, 0});
}

PortResult CSerialPort::ApplyLineSettings() {
  const ToolSettings s = settings_.Get();
  return CloseAndReopen({s.baud, s.data_bits, s.stop_bits, s.parity});
}

PortResult CSerialPort::SetLineSetting(int kind, std::uint32_t value) {
  if (!flags_.port_open) return {};
  const auto byte = static_cast<std::uint8_t>(value);
  bool changed = false;
  settings_.Update([&](ToolSettings& s) {
    auto store = [&](auto& field, auto new_value) {
      if (field != new_value) {
        field = new_value;
        changed = true;
      }
    };
    switch (kind) {
      case kLineBaud: store(s.baud, value); break;
      case kLineDataBits: store(s.data_bits, byte); break;
      case kLineStopBits: store(s.stop_bits, byte); break;
      case kLineParity: store(s.parity, byte); break;
      case kLineFlowControl: store(s.flow_control, byte); break;
      default: break;
    }
  });
  if (!changed) return {};
  return ApplyLineSettings();
}

void CSerialPort::ExpectReturn(bool expect) {
  std::lock_guard lock(state_mutex_);
  expect_return_ += expect ? 1 : -1;
  // A wait for the device's return looks again whether it is still wanted.
  // (A wait for a hang-up is woken only by an open or close.)
  if (watch_ == Watch::kReturn) WakeWatcher();
}

bool CSerialPort::WantsReturn() const {
  // state_mutex_ held
  return (expect_return_ > 0 || settings_.Get().auto_reconnect) && opened_findable_;
}

// ---- the watcher --------------------------------------------------------------

// Every open, close and removal changes the generation and wakes the
// watcher, both under state_mutex_; the watcher drains the wake under the
// same mutex as it takes up the state, so that a wait ends only for
// something that happened after it began. (A wake written after the mutex
// was let go could end the hang-up wait of the very open it announced, and
// a removal would then go unseen.)
void CSerialPort::WatchLoop() {
  std::unique_lock lock(state_mutex_);
  for (;;) {
    state_changed_.wait(lock, [&] { return stopping_ || watch_ != Watch::kIdle; });
    if (stopping_) return;
    const std::uint64_t generation = generation_;
    const Watch watch = watch_;
    std::uint64_t drained = 0;
    [[maybe_unused]] const auto n = ::read(control_, &drained, sizeof drained);
    lock.unlock();
    if (watch == Watch::kHangup) {
      if (device_.WaitHangup(control_) == serial_detail::HangupWait::kHungUp) HandleHangup(generation);
    } else {
      WaitForReturn(generation);
    }
    lock.lock();
    // Woken by an open or close: wait until it has happened.
    state_changed_.wait(lock, [&] { return stopping_ || generation_ != generation; });
  }
}

void CSerialPort::HandleHangup(std::uint64_t generation) {
  std::unique_lock open_lock(open_mutex_);
  std::string name;
  bool wait = false;
  auto return_watch = std::make_unique<DeviceReturnWatch>();
  {
    std::lock_guard lock(state_mutex_);
    if (stopping_ || generation_ != generation) return;
    // The transactions see a closed port from here on.
    flags_.port_closed = true;
    flags_.port_open = false;
    removed_.store(true);
    removals_.fetch_add(1);
    wait = WantsReturn();
    // Watched before the old device goes, so that nothing after is missed.
    if (wait) return_watch->Start(opened_path_, opened_identity_);
    name = opened_name_;
  }
  device_.Close();
  {
    std::lock_guard lock(state_mutex_);
    return_watch_ = std::move(return_watch);
  }
  Watching(wait ? Watch::kReturn : Watch::kIdle);
  open_lock.unlock();
  Tell(/*removed=*/true, name);
}

void CSerialPort::WaitForReturn(std::uint64_t generation) {
  // A device that came back before the watch began (a quick re-enumeration)
  // sent no event the watch could see: the name is looked at once first.
  bool look_now = true;
  for (;;) {
    DeviceReturnWatch* watch = nullptr;
    std::string candidate;
    {
      std::lock_guard lock(state_mutex_);
      if (stopping_ || generation_ != generation) return;
      if (!WantsReturn()) {
        watch_ = Watch::kIdle;
        ++generation_;
        return;
      }
      watch = return_watch_.get();
      if (look_now) {
        const dev_t now = DeviceNumber(opened_path_);
        if (now != 0 && now != opened_device_) candidate = opened_path_;
      }
    }
    look_now = false;
    if (candidate.empty()) {
      const DeviceReturnWatch::Event event = watch->Wait(control_, kReturnWaitSlice);
      std::uint64_t drained = 0;
      [[maybe_unused]] const auto n = ::read(control_, &drained, sizeof drained);
      if (event != DeviceReturnWatch::Event::kCandidate) continue;
      candidate = watch->candidate();
    }

    std::unique_lock open_lock(open_mutex_);
    std::string name;
    {
      std::lock_guard lock(state_mutex_);
      if (stopping_ || generation_ != generation) return;
      name = opened_name_;
    }
    const ToolSettings settings = settings_.Get();
    // What the device sent since it came back is its start-up output, which
    // a production test waits for: nothing is purged.
    if (!OpenDevice(candidate, {settings.baud, 8, 0, 0}, /*purge=*/false)) continue;
    {
      std::lock_guard lock(state_mutex_);
      opened_path_ = candidate;
      opened_device_ = DeviceNumber(candidate);
    }
    removed_.store(false);
    flags_.port_open = true;
    flags_.port_closed = false;
    Watching(Watch::kHangup);
    open_lock.unlock();
    Tell(/*removed=*/false, name);
    return;
  }
}

// ---- reading and writing --------------------------------------------------------

std::uint16_t CSerialPort::ReadQueued(std::mutex& lock, char* buffer, std::size_t capacity) {
  // The count is 16 bits wide; a larger capacity still takes at most 65535
  // bytes a time rather than wrapping to a small or zero capacity.
  capacity = std::min<std::size_t>(capacity, std::numeric_limits<std::uint16_t>::max());
  if (capacity == 0 || buffer == nullptr) return 0;
  std::lock_guard guard(lock);
  return static_cast<std::uint16_t>(device_.ReadQueued(buffer, capacity));
}

void CSerialPort::Write(std::mutex& lock, std::string_view bytes) {
  if (bytes.empty()) return;
  std::lock_guard guard(lock);
  device_.Write(bytes);
}

void CSerialPort::PurgeAll() { device_.Purge(); }

bool CSerialPort::WaitReadable(int max_ms) { return device_.WaitReadable(max_ms); }

bool CSerialPort::IsOpen() const { return device_.IsOpen(); }

std::string CSerialPort::OpenedPortName() const {
  std::lock_guard lock(state_mutex_);
  return opened_name_;
}

std::string CSerialPort::OpenedDevicePath() const {
  std::lock_guard lock(state_mutex_);
  return opened_path_;
}

// ---- claims ---------------------------------------------------------------------

ClaimResult CSerialPort::TryClaim(PortUser user) {
  if (user == PortUser::kNone) return ClaimResult::kRefused;
  PortUser expected = PortUser::kNone;
  if (holder_.compare_exchange_strong(expected, user)) return ClaimResult::kTaken;
  return expected == user ? ClaimResult::kAlreadyHeld : ClaimResult::kRefused;
}

bool CSerialPort::Claim(PortUser user, const std::atomic<bool>& cancel) {
  bool taken = false;
  for (;;) {
    taken = TryClaim(user) != ClaimResult::kRefused;
    if (taken || cancel.load()) break;
    wanted_.store(user);
    std::unique_lock lock(claim_mutex_);
    claim_released_.wait_for(lock, kClaimCancelSlice,
                             [&] { return holder_.load() == PortUser::kNone || cancel.load(); });
  }
  PortUser waiting = user;
  wanted_.compare_exchange_strong(waiting, PortUser::kNone);
  return taken;
}

void CSerialPort::Release(PortUser user) {
  PortUser expected = user;
  if (user == PortUser::kNone || !holder_.compare_exchange_strong(expected, PortUser::kNone)) return;
  // Under the mutex, so that a Claim between its look and its wait still
  // hears of it.
  { std::lock_guard lock(claim_mutex_); }
  claim_released_.notify_all();
}

bool CSerialPort::WantedByOther(PortUser user) const {
  const PortUser waiting = wanted_.load();
  return waiting != PortUser::kNone && waiting != user;
}

}  // namespace zt
