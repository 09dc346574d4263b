#include "pty_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace zt::test {
namespace {

using Clock = std::chrono::steady_clock;

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

int RemainingMs(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

// Appends what `fd` gives before `deadline` to `got`; false when nothing
// more came (the deadline passed, or the line hung up).
bool ReadMore(int fd, std::string& got, Clock::time_point deadline) {
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, RemainingMs(deadline));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0 || (p.revents & POLLIN) == 0) return false;
    char buf[4096];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) return false;
    got.append(buf, static_cast<size_t>(n));
    return true;
  }
}

}  // namespace

PtyClient::PtyClient(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return;
  termios t{};
  tcgetattr(fd_, &t);
  cfmakeraw(&t);
  tcsetattr(fd_, TCSANOW, &t);
  tcflush(fd_, TCIOFLUSH);
}

PtyClient::~PtyClient() {
  if (fd_ >= 0) ::close(fd_);
}

void PtyClient::Send(std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 100);
        continue;
      }
      return;
    }
    done += static_cast<size_t>(n);
  }
}

std::string PtyClient::ReadUntil(std::string_view tail, std::chrono::milliseconds limit, bool anywhere) {
  std::string got;
  const auto deadline = Clock::now() + limit;
  while (anywhere ? got.find(tail) == std::string::npos : !EndsWith(got, tail)) {
    if (!ReadMore(fd_, got, deadline)) break;
  }
  return got;
}

std::string PtyClient::ReadAnswer(std::chrono::milliseconds limit) {
  std::string got;
  const auto deadline = Clock::now() + limit;
  while (!EndsWith(got, "OK\r\n") && !EndsWith(got, "ERROR\r\n")) {
    std::string more = ReadUntil("\n", std::chrono::milliseconds(RemainingMs(deadline)));
    if (more.empty()) break;
    got += more;
  }
  return got;
}

std::string PtyClient::Exchange(std::string_view command) {
  Send(command);
  return ReadAnswer();
}

std::string PtyClient::ReadFor(std::chrono::milliseconds period) {
  std::string got;
  const auto deadline = Clock::now() + period;
  while (ReadMore(fd_, got, deadline)) {
  }
  return got;
}

bool PtyClient::WakeAndLogin(std::string_view password) {
  Send(std::string(20, ' '));
  if (ReadUntil("RUN AT\r\nOK\r\n") != "RUN AT\r\nOK\r\n") return false;
  const std::string login = "AT+LOGIN=" + std::string(password) + "\r";
  return Exchange(login) == login + "OK\r\n";
}

bool PtyClient::HungUp(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    pollfd p{fd_, POLLIN, 0};
    int r = ::poll(&p, 1, RemainingMs(deadline));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    if (p.revents & (POLLHUP | POLLERR)) return true;
    char buf[4096];
    ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n == 0 || (n < 0 && errno == EIO)) return true;
  }
}

}  // namespace zt::test
