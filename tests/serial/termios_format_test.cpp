#include "serial/termios_format.h"

#include <gtest/gtest.h>

namespace zt::serial_detail {
namespace {

struct FormatCase {
  const char* name;
  LineFormat line;
  speed_t speed;
  tcflag_t size;
  tcflag_t stop;
  tcflag_t parity;
};

constexpr tcflag_t kParityBits = PARENB | PARODD | CMSPAR;

// A line at 38400 7E2, so that every field visibly changes or stays.
termios StartingLine() {
  termios t{};
  cfmakeraw(&t);
  cfsetispeed(&t, B38400);
  cfsetospeed(&t, B38400);
  t.c_cflag = (t.c_cflag & ~(CSIZE | kParityBits)) | CS7 | CSTOPB | PARENB;
  return t;
}

class SetFormatTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(SetFormatTable, SetsEveryFieldTermiosCanExpress) {
  const FormatCase& c = GetParam();
  termios t = StartingLine();
  SetFormat(t, c.line);
  EXPECT_EQ(cfgetospeed(&t), c.speed);
  EXPECT_EQ(cfgetispeed(&t), c.speed);
  EXPECT_EQ(t.c_cflag & CSIZE, c.size);
  EXPECT_EQ(t.c_cflag & CSTOPB, c.stop);
  EXPECT_EQ(t.c_cflag & kParityBits, c.parity);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SetFormatTable,
    ::testing::Values(
        FormatCase{"Default8N1", {57600, 8, 0, 0}, B57600, CS8, 0, 0},
        FormatCase{"Odd", {9600, 8, 0, 1}, B9600, CS8, 0, PARENB | PARODD},
        FormatCase{"Even", {9600, 8, 0, 2}, B9600, CS8, 0, PARENB},
        FormatCase{"Mark", {9600, 8, 0, 3}, B9600, CS8, 0, PARENB | PARODD | CMSPAR},
        FormatCase{"Space", {9600, 8, 0, 4}, B9600, CS8, 0, PARENB | CMSPAR},
        FormatCase{"SevenBitsTwoStops", {115200, 7, 2, 0}, B115200, CS7, CSTOPB, 0},
        FormatCase{"SixBits", {4800, 6, 0, 0}, B4800, CS6, 0, 0},
        FormatCase{"OneAndAHalfStopsOnFiveBits", {1200, 5, 1, 0}, B1200, CS5, CSTOPB, 0},
        FormatCase{"OneAndAHalfStopsOnEightBits", {921600, 8, 1, 0}, B921600, CS8, CSTOPB, 0},
        FormatCase{"UnknownValuesKeepTheLine", {12345, 9, 3, 5}, B38400, CS7, CSTOPB, PARENB}),
    [](const ::testing::TestParamInfo<FormatCase>& param) { return std::string(param.param.name); });

TEST(MakeRaw, PassesEveryByteThroughUnchanged) {
  termios t{};
  t.c_iflag = ICRNL | IXON | IXOFF | ISTRIP | INLCR | IGNCR | BRKINT;
  t.c_oflag = OPOST | ONLCR;
  t.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
  t.c_cflag = CS8 | CRTSCTS;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 5;
  MakeRaw(t);
  EXPECT_EQ(t.c_iflag & (ICRNL | IXON | IXOFF | ISTRIP | INLCR | IGNCR | BRKINT), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(t.c_cflag & CRTSCTS, static_cast<tcflag_t>(CRTSCTS));  // handshake as the driver had it
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);
}

}  // namespace
}  // namespace zt::serial_detail
