#include "serial/termios_format.h"

#include <cstdint>

namespace zt::serial_detail {
namespace {

struct BaudSpeed {
  std::uint32_t baud;
  speed_t speed;
};

constexpr BaudSpeed kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

bool SpeedOf(std::uint32_t baud, speed_t* speed) {
  for (const BaudSpeed& entry : kSpeeds) {
    if (entry.baud == baud) {
      *speed = entry.speed;
      return true;
    }
  }
  return false;
}

}  // namespace

bool IsStandardSpeed(std::uint32_t baud) {
  speed_t speed = 0;
  return SpeedOf(baud, &speed);
}

void MakeRaw(termios& t) {
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                                      IXANY);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
}

void SetFormat(termios& t, const LineFormat& line) {
  speed_t speed = 0;
  if (SpeedOf(line.baud, &speed)) {
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
  }
  tcflag_t size = 0;
  switch (line.data_bits) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: size = t.c_cflag & CSIZE; break;
  }
  t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | size;
  switch (line.stop_bits) {
    case 0: t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB); break;
    case 1:
    case 2: t.c_cflag |= CSTOPB; break;
    default: break;
  }
  constexpr tcflag_t kParityBits = PARENB | PARODD | CMSPAR;
  tcflag_t parity = 0;
  switch (line.parity) {
    case 0: parity = 0; break;
    case 1: parity = PARENB | PARODD; break;
    case 2: parity = PARENB; break;
    case 3: parity = PARENB | PARODD | CMSPAR; break;
    case 4: parity = PARENB | CMSPAR; break;
    default: parity = t.c_cflag & kParityBits; break;
  }
  t.c_cflag = (t.c_cflag & ~kParityBits) | parity;
}

}  // namespace zt::serial_detail
