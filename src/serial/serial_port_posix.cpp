// The serial device on POSIX terminals (termios), Linux flavour.
//
// Exclusive open: the UUCP lock file keeps out the programs that respect it
// (minicom, ser2net, QSerialPort), flock(LOCK_EX | LOCK_NB) refuses a second
// opener that uses the same lock (this process included, and root), and
// TIOCEXCL refuses any other unprivileged open of the device. All three are
// dropped on close.
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
//
// A device that goes away (a pulled USB adapter, the far end of a
// pseudo-terminal gone) reports POLLHUP or POLLERR, and reads and writes fail
// with EIO or ENXIO. The first such sign marks the device hung up, and from
// then on nothing polls the descriptor again: a hung-up descriptor is always
// "ready", and polling it would spin. The port's owner closes it.
//
// A network port name (net_link.h) opens a TCP connection instead, and the
// calls below go to its NetLink; a connection the server ends is a hang-up.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <utility>

#include "serial/line_speed.h"
#include "serial/net_link.h"
#include "serial/serial_device.h"
#include "serial/termios_format.h"
#include "serial/uucp_lock.h"

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

PortErrorKind KindOfErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return PortErrorKind::kNoSuchDevice;
    case EACCES:
    case EPERM: return PortErrorKind::kPermissionDenied;
    case EBUSY: return PortErrorKind::kBusy;
    case ENOTTY: return PortErrorKind::kNotATerminal;
    default: return PortErrorKind::kOther;
  }
}

std::string GroupOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  const group* owner = ::getgrgid(info.st_gid);
  return owner != nullptr ? owner->gr_name : std::string();
}

bool HangupErrno(int error) { return error == EIO || error == ENXIO; }

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
  std::atomic<bool> hung_up{false};
  std::unique_ptr<UucpLock> lock_file;  // replaced under the exclusive hold
  std::unique_ptr<NetLink> net;         // a network port: owns fd
  bool without_lock_file = false;

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

PortResult SerialDevice::Open(const std::string& path) {
  PortResult result;
  result.device = path;
  if (IsNetworkPortName(path)) return OpenNetwork(path);
  // The lock file first, as the programs that respect it expect: a port of
  // theirs is refused before anything touches the device.
  auto lock_file = std::make_unique<UucpLock>();
  const UucpLock::Outcome locked = lock_file->Acquire(path);
  if (locked == UucpLock::Outcome::kHeld) {
    result.kind = PortErrorKind::kLockedBy;
    result.os_error = EBUSY;
    result.holder_pid = lock_file->holder().pid;
    result.holder_program = lock_file->holder().program;
    return result;
  }
  termios saved{};
  bool saved_valid = false;
  const int fd = OpenExclusive(path, &saved, &saved_valid);
  if (fd < 0) {
    result.os_error = errno;
    result.kind = KindOfErrno(result.os_error);
    if (result.kind == PortErrorKind::kPermissionDenied) result.device_group = GroupOf(path);
    return result;  // the lock file goes with `lock_file`
  }
  Replace(fd, nullptr, &saved, saved_valid, std::move(lock_file), locked == UucpLock::Outcome::kNoLockFile);
  return result;
}

PortResult SerialDevice::OpenNetwork(const std::string& name) {
  PortResult result;
  std::unique_ptr<NetLink> link = NetLink::Connect(name, result);
  if (!link) return result;
  const int fd = link->fd();
  Replace(fd, std::move(link), nullptr, false, nullptr, false);
  return result;
}

void SerialDevice::Replace(int fd, std::unique_ptr<NetLink> net, const termios* saved, bool saved_valid,
                           std::unique_ptr<UucpLock> lock_file, bool without_lock_file) {
  int old_fd = -1;
  termios old_saved{};
  bool old_restore = false;
  std::unique_ptr<UucpLock> old_lock;
  std::unique_ptr<NetLink> old_net;
  state_->Signal();
  {
    std::unique_lock lock(state_->lifetime);
    old_fd = std::exchange(state_->fd, fd);
    old_saved = std::exchange(state_->saved, saved != nullptr ? *saved : termios{});
    old_restore = std::exchange(state_->restore, saved_valid);
    old_lock = std::exchange(state_->lock_file, std::move(lock_file));
    old_net = std::exchange(state_->net, std::move(net));
    if (state_->net) state_->net->AttachHangupFlag(&state_->hung_up);
    state_->without_lock_file = without_lock_file;
    state_->hung_up.store(false);
    state_->Drain();
  }
  if (old_net) {
    old_net.reset();  // closes old_fd
  } else if (old_fd >= 0) {
    Release(old_fd, old_restore ? &old_saved : nullptr);
  }
  // the old device's lock file goes with `old_lock`
}

void SerialDevice::Close() {
  state_->Signal();
  std::unique_lock lock(state_->lifetime);
  if (state_->net) {
    state_->net.reset();  // closes the socket
    state_->fd = -1;
  } else if (state_->fd >= 0) {
    Release(state_->fd, state_->restore ? &state_->saved : nullptr);
    state_->fd = -1;
    state_->restore = false;
  }
  state_->lock_file.reset();  // after the device: nobody may take it while we still have it
  state_->Drain();
}

bool SerialDevice::IsOpen() const {
  std::shared_lock lock(state_->lifetime);
  return state_->fd >= 0;
}

bool SerialDevice::WithoutLockFile() const {
  std::shared_lock lock(state_->lifetime);
  return state_->without_lock_file;
}

bool SerialDevice::HungUp() const { return state_->hung_up.load(); }

HangupWait SerialDevice::WaitHangup(int extra_fd) {
  std::shared_lock lock(state_->lifetime);
  const int fd = state_->fd;
  if (fd < 0) return HangupWait::kClosed;
  for (;;) {
    if (state_->hung_up.load()) return HangupWait::kHungUp;
    // No events asked for: poll still reports a hang-up and an error. A
    // connection's end is a half hang-up (the server's FIN), asked for.
    const short events = state_->net ? POLLRDHUP : 0;
    pollfd fds[3] = {{fd, events, 0}, {state_->wake, POLLIN, 0}, {extra_fd, POLLIN, 0}};
    const int ready = ::poll(fds, 3, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return HangupWait::kWoken;
    if ((fds[0].revents & (POLLHUP | POLLRDHUP | POLLERR | POLLNVAL)) != 0) {
      state_->hung_up.store(true);
      return HangupWait::kHungUp;
    }
    return HangupWait::kWoken;
  }
}

bool SerialDevice::ApplyLine(const LineFormat& line) {
  std::shared_lock lock(state_->lifetime);
  if (state_->net) return state_->net->ApplyLine(line, state_->wake);
  termios t{};
  if (state_->fd < 0 || ::tcgetattr(state_->fd, &t) != 0) return true;
  MakeRaw(t);
  SetFormat(t, line);
  ::tcsetattr(state_->fd, TCSANOW, &t);  // a refusal leaves the line as it was
  // A speed of 0 is no speed: the line keeps the one it has.
  if (line.baud == 0) return true;
  if (!IsStandardSpeed(line.baud) && !SetArbitrarySpeed(state_->fd, line.baud)) return false;
  const std::optional<std::uint32_t> reported = ReadSpeed(state_->fd);
  return !reported || SpeedMatches(line.baud, *reported);
}

void SerialDevice::Purge() {
  std::shared_lock lock(state_->lifetime);
  // Input only. write() returns once the driver holds the bytes, before they
  // are on the line; flushing output too would cut off the command written
  // just before (attempts with no time to wait send back to back).
  if (state_->net) {
    state_->net->Purge();
  } else if (state_->fd >= 0) {
    ::tcflush(state_->fd, TCIFLUSH);
  }
}

void SerialDevice::RaiseDtr() {
  std::shared_lock lock(state_->lifetime);
  int dtr = TIOCM_DTR;
  if (state_->net) {
    state_->net->RaiseDtr();
  } else if (state_->fd >= 0) {
    ::ioctl(state_->fd, TIOCMBIS, &dtr);  // a pseudo-terminal has no DTR
  }
}

std::size_t SerialDevice::ReadQueued(char* buffer, std::size_t capacity) {
  std::shared_lock lock(state_->lifetime);
  const int fd = state_->fd;
  if (fd < 0) return 0;
  if (state_->net) return state_->net->ReadQueued(buffer, capacity);
  const std::size_t want = std::min(QueuedBytes(fd), capacity);
  std::size_t got = 0;
  while (got < want) {
    const ssize_t n = ::read(fd, buffer + got, want - got);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      if (n < 0 && HangupErrno(errno)) state_->hung_up.store(true);
      break;
    }
  }
  return got;
}

void SerialDevice::Write(std::string_view bytes) {
  std::shared_lock lock(state_->lifetime);
  const int fd = state_->fd;
  if (fd < 0) return;
  if (state_->net) {
    state_->net->Write(bytes, state_->wake,
                       static_cast<int>(std::chrono::milliseconds(kWriteStallLimit).count()));
    return;
  }
  auto last_progress = Clock::now();
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      last_progress = Clock::now();
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && HangupErrno(errno)) state_->hung_up.store(true);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return;
    const int wait_ms = MillisUntil(last_progress + kWriteStallLimit);
    if (wait_ms <= 0) return;
    pollfd fds[2] = {{fd, POLLOUT, 0}, {state_->wake, POLLIN, 0}};
    const int ready = ::poll(fds, 2, wait_ms);
    if (ready < 0 && errno != EINTR) return;
    if ((fds[1].revents & POLLIN) != 0) return;  // the port is being closed
    if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
      state_->hung_up.store(true);
      return;
    }
  }
}

bool SerialDevice::WaitReadable(int max_ms) {
  std::shared_lock lock(state_->lifetime);
  const int fd = state_->fd;
  if (fd < 0) return false;
  if (state_->net) return state_->net->WaitReadable(max_ms, state_->wake);
  if (QueuedBytes(fd) > 0) return true;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(max_ms, 0));
  if (state_->hung_up.load()) {
    // Never poll a hung-up descriptor again; the caller is owed its wait.
    state_->WaitWake(MillisUntil(deadline));
    return false;
  }
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
    if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) state_->hung_up.store(true);
    state_->WaitWake(MillisUntil(deadline));
    return false;
  }
}

}  // namespace zt::serial_detail
