#include "serial/serial_port.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <limits>

#include "text/gbk_literal.h"

namespace zt {

using namespace zt::literals;

namespace {

constexpr std::string_view kDefaultPortName = "COM1";
constexpr int kProbedComPorts = 100;
// How often a waiting claim looks at its cancel token.
constexpr std::chrono::milliseconds kClaimCancelSlice{20};

std::string_view OpenFailedText() { return "打开串口失败: 串口已占用或其他错误!"_gbk; }
std::string_view NoSuchPortText() { return "打开串口失败: 串口不存在!"_gbk; }
std::string_view ReopenFailedText() { return "修改串口参数失败"_gbk; }
std::string_view CaptionText() { return "提示"_gbk; }

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

std::string DevicePathUnder(std::string_view dev_dir, std::string_view name) {
  if (name.empty()) return {};
  if (const long n = ComNumber(name); n > 0) return std::string(dev_dir) + "/ttyS" + std::to_string(n - 1);
  if (name.front() == '/') return std::string(name);
  return std::string(dev_dir) + "/" + std::string(name);
}

}  // namespace

std::string PortDevicePath(std::string_view port_name) { return DevicePathUnder("/dev", port_name); }

std::vector<std::string> EnumeratePortsUnder(const std::string& dev_dir) {
  std::vector<std::string> names;
  for (int n = 1; n <= kProbedComPorts; ++n) {
    const std::string name = "COM" + std::to_string(n);
    if (serial_detail::ProbeDevice(DevicePathUnder(dev_dir, name)) != serial_detail::ProbeResult::kAbsent) {
      names.push_back(name);
    }
  }
  for (const std::string_view prefix : {"ttyUSB", "ttyACM"}) {
    for (std::string& path : serial_detail::ListNumberedDevices(dev_dir, prefix)) names.push_back(std::move(path));
  }
  return names;
}

std::vector<std::string> EnumeratePorts() { return EnumeratePortsUnder("/dev"); }

CSerialPort::CSerialPort(ToolSettingsStore& settings, ProcessFlags& flags, IMessageBox& messages)
    : settings_(settings), flags_(flags), messages_(messages) {}

CSerialPort::~CSerialPort() { device_.Close(); }

void CSerialPort::ShowError(std::string_view text) { messages_.ShowMessage(text, CaptionText(), MessageIcon::kError); }

bool CSerialPort::Open() {
  ToolSettings settings;
  settings_.Update([&](ToolSettings& s) {
    if (s.port_name.empty()) s.port_name = kDefaultPortName;
    settings = s;
  });
  const serial_detail::OpenResult opened = settings.port_name.size() > kMaxPortNameBytes
                                                ? serial_detail::OpenResult::kFailed
                                                : device_.Open(PortDevicePath(settings.port_name));
  if (opened != serial_detail::OpenResult::kOpened) {
    ShowError(opened == serial_detail::OpenResult::kNoSuchDevice ? NoSuchPortText() : OpenFailedText());
    return false;
  }
  // The stored data bits, stop bits and parity are not used here: the DTU
  // always talks 8N1.
  PrepareLine({settings.baud, 8, 0, 0});
  {
    std::lock_guard lock(name_mutex_);
    opened_name_ = settings.port_name;
  }
  flags_.port_open = true;
  flags_.port_closed = false;
  return true;
}

void CSerialPort::Close() {
  device_.Close();
  flags_.port_open = false;
  flags_.port_closed = true;
}

bool CSerialPort::CloseAndReopen() {
  device_.Close();
  const std::string name = settings_.Get().port_name;
  if (name.empty() || name.size() > kMaxPortNameBytes ||
      device_.Open(PortDevicePath(name)) != serial_detail::OpenResult::kOpened) {
    ShowError(ReopenFailedText());
    return false;
  }
  return true;
}

void CSerialPort::PrepareLine(const serial_detail::LineFormat& line) {
  device_.ApplyLine(line);
  device_.Purge();
  device_.RaiseDtr();
}

bool CSerialPort::ReopenForConfig() {
  if (!flags_.port_open) return false;
  if (!CloseAndReopen()) return false;
  ToolSettings settings;
  settings_.Update([&](ToolSettings& s) {
    s.data_bits = 8;
    s.stop_bits = 0;
    s.parity = 0;
    settings = s;
  });
  PrepareLine({settings.baud, 8, 0, 0});
  return true;
}

bool CSerialPort::ApplyLineSettings() {
  if (!CloseAndReopen()) return false;
  const ToolSettings s = settings_.Get();
  PrepareLine({s.baud, s.data_bits, s.stop_bits, s.parity});
  return true;
}

void CSerialPort::SetLineSetting(int kind, std::uint32_t value) {
  if (!flags_.port_open) return;
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
  if (changed) ApplyLineSettings();
}

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
  std::lock_guard lock(name_mutex_);
  return opened_name_;
}

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
