// Only the kernel's terminal header here (see line_speed.h).
#include "serial/line_speed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace zt::serial_detail {

bool SetArbitrarySpeed(int fd, std::uint32_t baud) {
  struct termios2 t {};
  if (::ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
  t.c_cflag |= BOTHER;
  t.c_ospeed = baud;
  // Input speed follows the output speed.
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD << IBSHIFT);
  t.c_cflag |= BOTHER << IBSHIFT;
  t.c_ispeed = baud;
  return ::ioctl(fd, TCSETS2, &t) == 0;
}

std::optional<std::uint32_t> ReadSpeed(int fd) {
  struct termios2 t {};
  if (::ioctl(fd, TCGETS2, &t) != 0) return std::nullopt;
  return t.c_ospeed;
}

bool SpeedMatches(std::uint32_t asked, std::uint32_t reported) {
  const std::uint64_t difference = asked > reported ? asked - reported : reported - asked;
  return difference * 50 <= asked;
}

}  // namespace zt::serial_detail
