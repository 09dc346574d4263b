// The serial device on POSIX terminals (termios), Linux flavour.
//
// Exclusive open: flock(LOCK_EX | LOCK_NB) refuses a second opener that uses
// the same lock (this process included, and root), and TIOCEXCL refuses any
// other unprivileged open of the device. Both are dropped on close.
//
// The flock is what tells a live user: it goes with the last descriptor of
// its holder, also when the holder is killed. The exclusive mark does not:
// it belongs to the tty and stays while any other process still has the
// device open, so a killed tool would leave the port marked for good. A mark
// found with the flock free is therefore stale, and Open takes it over
// (TIOCNXCL, then TIOCEXCL for itself). An unprivileged opener cannot get
// that far: the kernel refuses its open() of a marked tty with EBUSY.
//
// The descriptor is non-blocking: a read takes what FIONREAD reports queued,
// a write waits for room with poll. Waits also watch an eventfd that Close
// and Open signal before they take the descriptor exclusively, so a UI-thread
// close never waits for a poll step or a stalled write to run out.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <shared_mutex>
#include <utility>

#include "serial/serial_device.h"
#include "serial/termios_format.h"

namespace zt::serial_detail {
namespace {

using Clock = std::chrono::steady_clock;

// A line that takes no byte for this long ends the write (flow control held
// off forever, a device that went away without a hang-up).
constexpr auto kWriteStallLimit = std::chrono::seconds(10);

// Milliseconds until `deadline`, rounded up so that a wait never spins on 0.
int MillisUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<std::int64_t>(left, 0, 60'000));
}

std::size_t QueuedBytes(int fd) {
  int queued = 0;
  if (::ioctl(fd, FIONREAD, &queued) != 0 || queued <= 0) return 0;
  return static_cast<std::size_t>(queued);
}

// Opens `path` for reading and writing if it is a terminal that no live
// opener holds (the flock is free). `stale_mark` tells whether the device
// still carries an exclusive mark nobody holds any more. -1 with errno set on
// failure, EBUSY when another opener holds the device.
int OpenFreeTerminal(const std::string& path, bool* stale_mark) {
  *stale_mark = false;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  int error = 0;
  int exclusive = 0;
  if (::isatty(fd) == 0) {
    // Only a terminal is a port: a mistyped name must not have AT commands
    // written into an ordinary file.
    error = ENOTTY;
  } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = (errno == EWOULDBLOCK) ? EBUSY : errno;
  } else {
    *stale_mark = ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
  }
  if (error != 0) {
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

// OpenFreeTerminal, then the device is marked exclusive for us (a stale mark
// is cleared first, so that the mark is ours from here on) and its line
// state kept to give back at close.
int OpenExclusive(const std::string& path, termios* saved, bool* saved_valid) {
  bool stale_mark = false;
  const int fd = OpenFreeTerminal(path, &stale_mark);
  if (fd < 0) return -1;
  if (stale_mark) ::ioctl(fd, TIOCNXCL);
  ::ioctl(fd, TIOCEXCL);
  *saved_valid = ::tcgetattr(fd, saved) == 0;
  return fd;
}

void Release(int fd, const termios* restore) {
  ::ioctl(fd, TIOCNXCL);
  if (restore != nullptr) ::tcsetattr(fd, TCSANOW, restore);
  ::close(fd);  // also drops the flock
}

}  // namespace

struct SerialDevice::State {
  mutable std::shared_mutex lifetime;  // shared: I/O on fd; exclusive: replacing or closing it
  int fd = -1;
  termios saved{};
  bool restore = false;  // saved holds the line state to give back at close
  int wake = -1;         // eventfd: a close or open wants the descriptor

  void Signal() const {
    if (wake < 0) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(wake, &one, sizeof one);
  }
  void Drain() const {
    if (wake < 0) return;
    std::uint64_t count = 0;
    [[maybe_unused]] const auto n = ::read(wake, &count, sizeof count);
  }
  // Waits up to `ms` for the wake event alone; true when it came.
  bool WaitWake(int ms) const {
    pollfd p{wake, POLLIN, 0};
    if (wake < 0) {
      ::poll(nullptr, 0, ms);
      return false;
    }
    return ::poll(&p, 1, ms) > 0;
  }
};

SerialDevice::SerialDevice() : state_(std::make_unique<State>()) {
  state_->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

SerialDevice::~SerialDevice() {
  Close();
  if (state_->wake >= 0) ::close(state_->wake);
}

OpenResult SerialDevice::Open(const std::string& path) {
  termios saved{};
  bool saved_valid = false;
  const int fd = OpenExclusive(path, &saved, &saved_valid);
  if (fd < 0) return errno == ENOENT ? OpenResult::kNoSuchDevice : OpenResult::kFailed;
  int old_fd = -1;
  termios old_saved{};
  bool old_restore = false;
  state_->Signal();
  {
    std::unique_lock lock(state_->lifetime);
    old_fd = std::exchange(state_->fd, fd);
    old_saved = std::exchange(state_->saved, saved);
    old_restore = std::exchange(state_->restore, saved_valid);
    state_->Drain();
  }
  if (old_fd >= 0) Release(old_fd, old_restore ? &old_saved : nullptr);
  return OpenResult::kOpened;
}

void SerialDevice::Close() {
  state_->Signal();
  std::unique_lock lock(state_->lifetime);
  if (state_->fd >= 0) {
    Release(state_->fd, state_->restore ? &state_->saved : nullptr);
    state_->fd = -1;
    state_->restore = false;
  }
  state_->Drain();
}

bool SerialDevice::IsOpen() const {
  std::shared_lock lock(state_->lifetime);
  return state_->fd >= 0;
}

void SerialDevice::ApplyLine(const LineFormat& line) {
  std::shared_lock lock(state_->lifetime);
  termios t{};
  if (state_->fd < 0 || ::tcgetattr(state_->fd, &t) != 0) return;
  MakeRaw(t);
  SetFormat(t, line);
  ::tcsetattr(state_->fd, TCSANOW, &t);  // a refusal leaves the line as it was
}

void SerialDevice::Purge() {
  std::shared_lock lock(state_->lifetime);
  // Input only. write() returns once the driver holds the bytes, before they
  // are on the line; flushing output too would cut off the command written
  // just before (attempts with no time to wait send back to back).
  if (state_->fd >= 0) ::tcflush(state_->fd, TCIFLUSH);
}

void SerialDevice::RaiseDtr() {
  std::shared_lock lock(state_->lifetime);
  int dtr = TIOCM_DTR;
  if (state_->fd >= 0) ::ioctl(state_->fd, TIOCMBIS, &dtr);  // a pseudo-terminal has no DTR
}

std::size_t SerialDevice::ReadQueued(char* buffer, std::size_t capacity) {
  std::shared_lock lock(state_->lifetime);
  const int fd = state_->fd;
  if (fd < 0) return 0;
  const std::size_t want = std::min(QueuedBytes(fd), capacity);
  std::size_t got = 0;
  while (got < want) {
    const ssize_t n = ::read(fd, buffer + got, want - got);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  return got;
}

void SerialDevice::Write(std::string_view bytes) {
  std::shared_lock lock(state_->lifetime);
  const int fd = state_->fd;
  if (fd < 0) return;
  auto last_progress = Clock::now();
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      last_progress = Clock::now();
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return;
    const int wait_ms = MillisUntil(last_progress + kWriteStallLimit);
    if (wait_ms <= 0) return;
    pollfd fds[2] = {{fd, POLLOUT, 0}, {state_->wake, POLLIN, 0}};
    const int ready = ::poll(fds, 2, wait_ms);
    if (ready < 0 && errno != EINTR) return;
    if ((fds[1].revents & POLLIN) != 0) return;  // the port is being closed
    if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return;
  }
}

bool SerialDevice::WaitReadable(int max_ms) {
  std::shared_lock lock(state_->lifetime);
  const int fd = state_->fd;
  if (fd < 0) return false;
  if (QueuedBytes(fd) > 0) return true;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(max_ms, 0));
  for (;;) {
    const int wait_ms = MillisUntil(deadline);
    if (wait_ms <= 0) return false;
    pollfd fds[2] = {{fd, POLLIN, 0}, {state_->wake, POLLIN, 0}};
    const int ready = ::poll(fds, 2, wait_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    if ((fds[1].revents & POLLIN) != 0) return false;
    if (QueuedBytes(fd) > 0) return true;
    // Readiness without bytes is a hang-up or an error: no bytes will come
    // before the deadline, but the caller is owed its wait.
    state_->WaitWake(MillisUntil(deadline));
    return false;
  }
}

ProbeResult ProbeDevice(const std::string& path) {
  // The probe leaves the exclusive mark alone; a stale one does not keep
  // Open out, so such a device counts as available.
  bool stale_mark = false;
  const int fd = OpenFreeTerminal(path, &stale_mark);
  if (fd >= 0) {
    ::close(fd);
    return ProbeResult::kAvailable;
  }
  // The device exists, but another program holds it or we may not use it.
  return (errno == EBUSY || errno == EACCES) ? ProbeResult::kHeld : ProbeResult::kAbsent;
}

std::vector<std::string> ListNumberedDevices(const std::string& dir, std::string_view prefix) {
  std::vector<std::pair<unsigned long, std::string>> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 9 || name.compare(0, prefix.size(), prefix) != 0) {
      continue;
    }
    const std::string digits = name.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
    const std::string path = dir + "/" + name;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) continue;
    found.emplace_back(std::stoul(digits), path);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  for (auto& entry : found) paths.push_back(std::move(entry.second));
  return paths;
}

}  // namespace zt::serial_detail
