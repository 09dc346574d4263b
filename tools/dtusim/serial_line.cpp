#include "dtusim/serial_line.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zt::dtusim {
namespace {

bool MakeRaw(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

bool SetFlags(int fd) {
  const int fl = fcntl(fd, F_GETFL);
  const int fdfl = fcntl(fd, F_GETFD);
  return fl >= 0 && fdfl >= 0 && fcntl(fd, F_SETFL, fl | O_NONBLOCK) == 0 &&
         fcntl(fd, F_SETFD, fdfl | FD_CLOEXEC) == 0;
}

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

bool SerialLine::OpenPseudoTerminal(std::string* error) {
  Close();
  int master = -1;
  int slave = -1;
  char name[256] = {};
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    *error = Errno("openpty");
    return false;
  }
  if (!MakeRaw(slave) || !SetFlags(master) || fcntl(slave, F_SETFD, FD_CLOEXEC) != 0) {
    *error = Errno("setting up the pseudo-terminal");
    ::close(master);
    ::close(slave);
    return false;
  }
  fd_ = master;
  held_slave_fd_ = slave;
  peer_path_ = name;
  return true;
}

bool SerialLine::OpenTty(const std::string& path, std::string* error) {
  Close();
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = Errno(("open " + path).c_str());
    return false;
  }
  if (!MakeRaw(fd)) {
    *error = Errno(("raw mode on " + path).c_str());
    ::close(fd);
    return false;
  }
  fd_ = fd;
  peer_path_ = path;
  return true;
}

void SerialLine::WaitUntilRead(int limit_ms) const {
  // The bytes wait in the slave's input queue; nothing signals when a reader
  // has emptied it, so look every few milliseconds. The kernel moves what the
  // master wrote into that queue a little later, so an empty queue counts
  // only once the bytes were seen there or after a settling time.
  constexpr int kStepMs = 5;
  constexpr int kSettleMs = 100;
  if (held_slave_fd_ < 0) return;
  bool seen = false;
  for (int waited = 0; waited < limit_ms; waited += kStepMs) {
    int queued = 0;
    if (ioctl(held_slave_fd_, FIONREAD, &queued) != 0) return;
    if (queued > 0) {
      seen = true;
    } else if (seen || waited >= kSettleMs) {
      return;
    }
    usleep(kStepMs * 1000);
  }
}

void SerialLine::Close() {
  if (fd_ >= 0) ::close(fd_);
  if (held_slave_fd_ >= 0) ::close(held_slave_fd_);
  fd_ = -1;
  held_slave_fd_ = -1;
}

}  // namespace zt::dtusim
