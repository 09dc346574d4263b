#include "serial/net_link.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>

#include "serial/line_speed.h"
#include "serial/telnet_com_port.h"

namespace zt::serial_detail {
namespace {

using Clock = std::chrono::steady_clock;

// How long a connection and the server's answer to a line change may take.
constexpr auto kConnectLimit = std::chrono::seconds(3);
constexpr auto kAnswerLimit = std::chrono::seconds(3);
// A server turning a connection away closes it at once: a raw connection
// still open after this long was kept. Between attempts, this pause.
constexpr auto kRawSettle = std::chrono::milliseconds(100);
constexpr auto kRetryPause = std::chrono::milliseconds(20);
// Each attempt has at least this long to show whether it was kept, even past
// the connect limit: an attempt made just before the limit, with no time left
// to be turned away, was otherwise taken as kept.
constexpr auto kLeastSettle = std::chrono::milliseconds(500);
// Keep-alive probes: a server machine that vanished without closing the
// connection is seen as gone after about 10 + 3 * 5 seconds of silence.
constexpr int kKeepIdleSeconds = 10;
constexpr int kKeepIntervalSeconds = 5;
constexpr int kKeepCount = 3;
// At most this much is taken from the socket per read.
constexpr std::size_t kReceiveChunk = 16 * 1024;

constexpr std::string_view kComPortScheme = "rfc2217://";
constexpr std::string_view kRawScheme = "tcp://";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

int MillisUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<std::int64_t>(left, 0, 60'000));
}

std::size_t QueuedBytes(int fd) {
  int queued = 0;
  if (::ioctl(fd, FIONREAD, &queued) != 0 || queued <= 0) return 0;
  return static_cast<std::size_t>(queued);
}

// Waits up to `ms` for `wake_fd` alone (or just waits, without one).
void WaitWake(int wake_fd, int ms) {
  pollfd p{wake_fd, POLLIN, 0};
  ::poll(&p, wake_fd >= 0 ? 1 : 0, ms);
}

bool GoneErrno(int error) {
  return error == ECONNRESET || error == EPIPE || error == ETIMEDOUT || error == ENOTCONN;
}

// A connected, non-blocking socket to one of `host`'s addresses, or -1 with
// errno set.
int ConnectTo(const addrinfo* addresses, Clock::time_point deadline) {
  int error = ECONNREFUSED;
  for (const addrinfo* a = addresses; a != nullptr; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      error = errno;
      continue;
    }
    int result = ::connect(fd, a->ai_addr, a->ai_addrlen);
    if (result != 0 && errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      int ready = 0;
      do {
        ready = ::poll(&p, 1, MillisUntil(deadline));
      } while (ready < 0 && errno == EINTR);
      int so_error = ETIMEDOUT;
      socklen_t length = sizeof so_error;
      if (ready > 0) ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &so_error, &length);
      result = so_error == 0 ? 0 : -1;
      errno = so_error;
    }
    if (result == 0) return fd;
    error = errno;
    ::close(fd);
    if (MillisUntil(deadline) <= 0) break;
  }
  errno = error;
  return -1;
}

void TuneSocket(int fd) {
  const int on = 1;
  // Commands are short and wait for their answer: no Nagle delay.
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepIdleSeconds, sizeof kKeepIdleSeconds);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepIntervalSeconds, sizeof kKeepIntervalSeconds);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepCount, sizeof kKeepCount);
}

// LineFormat's codes as the COM-port option numbers them.
unsigned char ParityCode(std::uint8_t parity) {
  return parity <= 4 ? static_cast<unsigned char>(parity + 1) : 1;
}
unsigned char StopSizeCode(std::uint8_t stop_bits) {
  switch (stop_bits) {
    case 1:
      return 3;  // one and a half
    case 2:
      return 2;
    default:
      return 1;
  }
}

}  // namespace

bool IsNetworkPortName(std::string_view name) {
  return StartsWithNoCase(name, kComPortScheme) || StartsWithNoCase(name, kRawScheme);
}

std::optional<PortUrl> ParsePortUrl(std::string_view name) {
  PortUrl url;
  if (StartsWithNoCase(name, kComPortScheme)) {
    url.kind = PortUrl::Kind::kComPortControl;
    name.remove_prefix(kComPortScheme.size());
  } else if (StartsWithNoCase(name, kRawScheme)) {
    name.remove_prefix(kRawScheme.size());
  } else {
    return std::nullopt;
  }
  const std::size_t colon = name.rfind(':');
  if (colon == std::string_view::npos) return std::nullopt;
  std::string_view host = name.substr(0, colon);
  const std::string_view port = name.substr(colon + 1);
  if (!host.empty() && host.front() == '[') {
    if (host.size() < 3 || host.back() != ']') return std::nullopt;
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string_view::npos) {
    return std::nullopt;  // an IPv6 address goes in brackets
  }
  if (host.empty() || std::any_of(host.begin(), host.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7F || c == '/' || c == '[' || c == ']';
      })) {
    return std::nullopt;
  }
  if (port.empty() || port.size() > 5 ||
      !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  const long number = std::stol(std::string(port));
  if (number < 1 || number > 65535) return std::nullopt;
  url.host = std::string(host);
  url.port = std::to_string(number);
  return url;
}

NetLink::NetLink(int fd, PortUrl::Kind kind) : fd_(fd), kind_(kind) {
  if (kind_ == PortUrl::Kind::kComPortControl) codec_ = std::make_unique<TelnetComPort>();
}

NetLink::~NetLink() {
  if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<NetLink> NetLink::Connect(const std::string& name, PortResult& result) {
  result.device = name;
  const std::optional<PortUrl> url = ParsePortUrl(name);
  if (!url) {
    result.kind = PortErrorKind::kNoSuchDevice;
    result.os_error = EINVAL;
    return nullptr;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* addresses = nullptr;
  if (::getaddrinfo(url->host.c_str(), url->port.c_str(), &hints, &addresses) != 0 || addresses == nullptr) {
    result.kind = PortErrorKind::kNoSuchDevice;
    result.os_error = ENOENT;
    return nullptr;
  }
  const auto deadline = Clock::now() + kConnectLimit;
  std::unique_ptr<NetLink> link;
  for (;;) {
    const int fd = ConnectTo(addresses, deadline);
    if (fd < 0) {
      result.kind = PortErrorKind::kOther;
      result.os_error = errno;
      break;
    }
    TuneSocket(fd);
    link.reset(new NetLink(fd, url->kind));
    if (link->Settle(std::max(deadline, Clock::now() + kLeastSettle))) break;
    link.reset();
    // Turned away: the server's port is still held, by a client that just
    // left or by another one.
    result.kind = PortErrorKind::kBusy;
    result.os_error = EBUSY;
    if (MillisUntil(deadline) <= kRetryPause.count()) break;
    ::poll(nullptr, 0, static_cast<int>(kRetryPause.count()));
  }
  ::freeaddrinfo(addresses);
  if (link) {
    result.kind = PortErrorKind::kNone;  // an attempt turned away before does not count
    result.os_error = 0;
  }
  return link;
}

bool NetLink::Settle(Clock::time_point deadline) {
  if (!codec_) {
    // A raw server that turns a client away says so in text and closes at
    // once; one that keeps it says nothing.
    pollfd p{fd_, POLLRDHUP, 0};
    const int ready = ::poll(&p, 1, std::min(MillisUntil(deadline), static_cast<int>(kRawSettle.count())));
    return ready <= 0 || (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) == 0;
  }
  {
    std::lock_guard lock(mutex_);
    out_ = codec_->Greeting();
    out_ += TelnetComPort::SetBaudRate(0);  // 0 asks for the speed in force and changes nothing
  }
  Drain(-1, 0);
  if (AwaitServer([this] { return codec_->BaudReplies() > 0 || codec_->ComPortRefused(); }, deadline, -1)) {
    return true;
  }
  // No answer in time from a server that keeps the connection: one without
  // the option, taken as it is.
  return !hung_up_->load();
}

template <typename Done>
bool NetLink::AwaitServer(const Done& done, Clock::time_point deadline, int wake_fd) {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (done()) return true;
    }
    if (hung_up_->load()) return false;
    const int wait_ms = MillisUntil(deadline);
    if (wait_ms <= 0) return false;
    pollfd fds[2] = {{fd_, POLLIN | POLLRDHUP, 0}, {wake_fd, POLLIN, 0}};
    const int ready = ::poll(fds, wake_fd >= 0 ? 2 : 1, wait_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (fds[1].revents & POLLIN) != 0) return false;
    Receive();
  }
}

void NetLink::MarkIfGone(int error) {
  if (GoneErrno(error)) hung_up_->store(true);
}

void NetLink::Queue(std::string_view bytes) {
  std::lock_guard lock(mutex_);
  out_.append(bytes);
}

void NetLink::Drain(int wake_fd, int stall_limit_ms) {
  auto last_progress = Clock::now();
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      while (!out_.empty()) {
        const ssize_t n = ::send(fd_, out_.data(), out_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
          out_.erase(0, static_cast<std::size_t>(n));
          last_progress = Clock::now();
          continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
          MarkIfGone(errno);
          return;
        }
        break;  // no room now
      }
      if (out_.empty()) return;
    }
    const int wait_ms = MillisUntil(last_progress + std::chrono::milliseconds(stall_limit_ms));
    if (wait_ms <= 0) return;
    pollfd fds[2] = {{fd_, POLLOUT, 0}, {wake_fd, POLLIN, 0}};
    const int ready = ::poll(fds, wake_fd >= 0 ? 2 : 1, wait_ms);
    if (ready < 0 && errno != EINTR) return;
    if ((fds[1].revents & POLLIN) != 0) return;  // the port is being closed
    if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
      hung_up_->store(true);
      return;
    }
  }
}

bool NetLink::Receive() {
  bool open = true;
  {
    std::lock_guard lock(mutex_);
    char chunk[kReceiveChunk];
    for (;;) {
      const ssize_t n = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
      if (n > 0) {
        codec_->Feed(std::string_view(chunk, static_cast<std::size_t>(n)));
        if (static_cast<std::size_t>(n) < sizeof chunk) break;
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n == 0) {
        hung_up_->store(true);  // the server closed the connection
        open = false;
      } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
        MarkIfGone(errno);
        open = !hung_up_->load();
      }
      break;
    }
    if (codec_->HasReplies()) out_ += codec_->TakeReplies();
  }
  Drain(-1, 0);
  return open;
}

bool NetLink::ApplyLine(const LineFormat& line, int wake_fd) {
  // Raw: the server's configuration sets the line; nothing here can change it.
  if (!codec_) return true;
  std::uint64_t answers_before = 0;
  {
    std::lock_guard lock(mutex_);
    if (codec_->ComPortRefused()) return true;
    answers_before = codec_->BaudReplies();
    out_ += TelnetComPort::SetBaudRate(line.baud);
    out_ += TelnetComPort::ComPortCommand(TelnetComPort::kSetDataSize, line.data_bits);
    out_ += TelnetComPort::ComPortCommand(TelnetComPort::kSetParity, ParityCode(line.parity));
    out_ += TelnetComPort::ComPortCommand(TelnetComPort::kSetStopSize, StopSizeCode(line.stop_bits));
  }
  const auto deadline = Clock::now() + kAnswerLimit;
  Drain(wake_fd, MillisUntil(deadline));
  // A server that declines the option, goes silent or goes away leaves the
  // line as it is, as a driver without the setting would; a connection that
  // ended is the watcher's to report.
  const bool answered = AwaitServer(
      [&] { return codec_->BaudReplies() > answers_before || codec_->ComPortRefused(); }, deadline, wake_fd);
  std::optional<std::uint32_t> reported;
  {
    std::lock_guard lock(mutex_);
    if (!answered || codec_->BaudReplies() == answers_before) return true;
    reported = codec_->ReportedBaud();
  }
  // A speed of 0 asks for the current one: the line keeps it.
  return line.baud == 0 || !reported || SpeedMatches(line.baud, *reported);
}

void NetLink::Purge() {
  if (!codec_) {
    // Raw: what the socket holds is thrown away here, as a driver would.
    char chunk[kReceiveChunk];
    for (std::size_t queued = QueuedBytes(fd_); queued > 0; queued = QueuedBytes(fd_)) {
      const ssize_t n = ::recv(fd_, chunk, std::min(queued, sizeof chunk), MSG_DONTWAIT);
      if (n <= 0) break;
    }
    return;
  }
  Receive();  // negotiations in what is thrown away still count
  {
    std::lock_guard lock(mutex_);
    codec_->DiscardData();
    out_ += TelnetComPort::ComPortCommand(TelnetComPort::kPurgeData, 1);
  }
  Drain(-1, 0);
}

void NetLink::RaiseDtr() {
  if (!codec_) return;
  Queue(TelnetComPort::ComPortCommand(TelnetComPort::kSetControl, 8));
  Drain(-1, 0);
}

std::size_t NetLink::ReadQueued(char* buffer, std::size_t capacity) {
  if (codec_) {
    Receive();
    std::lock_guard lock(mutex_);
    return codec_->TakeData(buffer, capacity);
  }
  const std::size_t want = std::min(QueuedBytes(fd_), capacity);
  std::size_t got = 0;
  while (got < want) {
    const ssize_t n = ::recv(fd_, buffer + got, want - got, MSG_DONTWAIT);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      if (n < 0) MarkIfGone(errno);
      break;
    }
  }
  return got;
}

void NetLink::Write(std::string_view bytes, int wake_fd, int stall_limit_ms) {
  Queue(codec_ ? TelnetComPort::EncodeData(bytes) : std::string(bytes));
  Drain(wake_fd, stall_limit_ms);
}

bool NetLink::WaitReadable(int max_ms, int wake_fd) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(max_ms, 0));
  for (;;) {
    if (codec_) {
      std::lock_guard lock(mutex_);
      if (codec_->DataQueued() > 0) return true;
    } else if (QueuedBytes(fd_) > 0) {
      return true;
    }
    if (hung_up_->load()) {
      // Never poll a closed connection again (it is always readable); the
      // caller is owed its wait.
      WaitWake(wake_fd, MillisUntil(deadline));
      return false;
    }
    const int wait_ms = MillisUntil(deadline);
    if (wait_ms <= 0) return false;
    pollfd fds[2] = {{fd_, POLLIN | POLLRDHUP, 0}, {wake_fd, POLLIN, 0}};
    const int ready = ::poll(fds, wake_fd >= 0 ? 2 : 1, wait_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (fds[1].revents & POLLIN) != 0) return false;
    if (codec_) {
      Receive();  // data, or only the server's negotiation: looked at again above
      continue;
    }
    if (QueuedBytes(fd_) > 0) return true;
    // Readable without bytes: the server closed the connection, or it failed.
    if ((fds[0].revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0) hung_up_->store(true);
  }
}

}  // namespace zt::serial_detail
