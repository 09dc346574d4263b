#include "serial/serial_port.h"

#include <fcntl.h>
#include <spawn.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "serial_test_helpers.h"
#include "support/temp_dir.h"
#include "serial/port_texts.h"
#include "serial/uucp_lock.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"

extern char** environ;

namespace zt {
namespace {

using namespace zt::literals;
using test::PortOnPeerTest;
using test::PtyPeer;

// The "other process" of the exclusive-open tests: the suite runs itself with
// this variable set, opens the named port (as user `nobody` with the second
// variable) and reports the kind of the result by its exit status before any
// test starts.
constexpr const char* kChildOpenVariable = "ZT_SERIAL_TEST_OPEN_IN_CHILD";
constexpr const char* kChildAsNobodyVariable = "ZT_SERIAL_TEST_OPEN_AS_NOBODY";
constexpr int kChildOpened = static_cast<int>(PortErrorKind::kNone);
constexpr uid_t kNobody = 65534;

[[maybe_unused]] const int kChildOpenHook = [] {
  const char* path = std::getenv(kChildOpenVariable);
  if (path == nullptr) return 0;
  if (std::getenv(kChildAsNobodyVariable) != nullptr && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 ||
                                                         setuid(kNobody) != 0)) {
    std::_Exit(100);
  }
  ToolSettingsStore settings;
  settings.Update([&](ToolSettings& s) { s.port_name = path; });
  ProcessFlags flags;
  CSerialPort port(settings, flags);
  std::_Exit(static_cast<int>(port.Open().kind));
}();

// Exit status of this program opening `path` in a process of its own: the
// PortErrorKind of its open.
int OpenInAnotherProcess(const std::string& path, bool as_nobody = false) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
  environment.push_back(std::string(kChildOpenVariable) + "=" + path);
  if (as_nobody) environment.push_back(std::string(kChildAsNobodyVariable) + "=1");
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  char name[] = "zt_serial_tests";
  char* argv[] = {name, nullptr};
  pid_t child = 0;
  if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv, envp.data()) != 0) return -1;
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Another program that has the device open: with the exclusive mark
// (TIOCEXCL), with a flock, with both or with neither.
class OtherOpener {
 public:
  explicit OtherOpener(const std::string& path, bool mark = true, bool lock = false)
      : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (fd_ >= 0 && mark) ioctl(fd_, TIOCEXCL);
    if (fd_ >= 0 && lock && flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~OtherOpener() {
    if (fd_ >= 0) {
      ioctl(fd_, TIOCNXCL);
      close(fd_);
    }
  }
  OtherOpener(const OtherOpener&) = delete;
  OtherOpener& operator=(const OtherOpener&) = delete;
  bool Holds() const { return fd_ >= 0; }
  // The device's exclusive mark, whoever set it.
  bool Exclusive() const {
    int exclusive = 0;
    return ioctl(fd_, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
  }

 private:
  int fd_;
};

std::string AllByteValues() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  return bytes;
}

// ---- names ---------------------------------------------------------------

struct NameCase {
  const char* name;
  const char* device;
};

class PortDevicePathTable : public ::testing::TestWithParam<NameCase> {};

TEST_P(PortDevicePathTable, MapsTheNameToItsDevice) {
  EXPECT_EQ(PortDevicePath(GetParam().name), GetParam().device);
}

INSTANTIATE_TEST_SUITE_P(Names, PortDevicePathTable,
                         ::testing::Values(NameCase{"COM1", "/dev/ttyS0"}, NameCase{"COM10", "/dev/ttyS9"},
                                           NameCase{"COM100", "/dev/ttyS99"}, NameCase{"com3", "/dev/ttyS2"},
                                           NameCase{"COM0", "/dev/COM0"}, NameCase{"COM01", "/dev/COM01"},
                                           NameCase{"COMX", "/dev/COMX"}, NameCase{"COM", "/dev/COM"},
                                           NameCase{"/dev/ttyUSB0", "/dev/ttyUSB0"},
                                           NameCase{"/tmp/my port", "/tmp/my port"},
                                           NameCase{"ttyACM1", "/dev/ttyACM1"}, NameCase{"", ""}));

// ---- open and close --------------------------------------------------------

using SerialPortTest = PortOnPeerTest;

TEST_F(SerialPortTest, OpenSetsTheFlagsAndRemembersTheName) {
  ASSERT_TRUE(port_.Open());
  EXPECT_TRUE(port_.IsOpen());
  EXPECT_TRUE(flags_.port_open);
  EXPECT_FALSE(flags_.port_closed);
  EXPECT_EQ(port_.OpenedPortName(), dtu_.Path());
}

TEST_F(SerialPortTest, OpenSetsTheConfiguredBaudAnd8N1OnARawLine) {
  settings_.Update([](ToolSettings& s) {
    s.baud = 115200;
    s.data_bits = 7;
    s.stop_bits = 2;
    s.parity = 2;
  });
  ASSERT_TRUE(port_.Open());
  const termios line = dtu_.LineState();
  EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B115200));
  EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(line.c_cflag & (CSTOPB | PARENB), 0u);
  EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(line.c_iflag & (ICRNL | IXON), 0u);
  EXPECT_EQ(line.c_oflag & OPOST, 0u);
  // The stored format is left as it was.
  EXPECT_EQ(settings_.Get().data_bits, 7);
  EXPECT_EQ(settings_.Get().stop_bits, 2);
}

TEST_F(SerialPortTest, OpenFailureSaysWhyAndChangesNothing) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("notes.txt"), "keep me\r\n");
  ASSERT_TRUE(port_.Open());  // the live opener of the peer's device
  const struct {
    std::string name;
    PortErrorKind kind;
  } cases[] = {
      {dir.File("ttyUSB0"), PortErrorKind::kNoSuchDevice},  // unplugged, or never there
      {dir.File("notes.txt"), PortErrorKind::kNotATerminal},
      {dtu_.Path(), PortErrorKind::kLockedBy},
      {"", PortErrorKind::kNoSuchDevice},
      {"/" + std::string(300, 'a'), PortErrorKind::kOther},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ToolSettingsStore settings;
    settings.Update([&](ToolSettings& s) { s.port_name = c.name; });
    ProcessFlags flags;
    CSerialPort port(settings, flags);
    const PortResult result = port.Open();
    EXPECT_EQ(result.kind, c.kind);
    EXPECT_FALSE(flags.port_open);
    EXPECT_TRUE(flags.port_closed);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.OpenedPortName(), "");
    EXPECT_EQ(settings.Get().port_name, c.name);  // the port stores nothing
  }
  EXPECT_EQ(test::ReadFileBytes(dir.File("notes.txt")), "keep me\r\n");
}

TEST(StoreDefaultPortNameIfEmpty, AnEmptyNameBecomesCom1AndOthersStay) {
  ToolSettingsStore settings;
  settings.Update([](ToolSettings& s) { s.port_name.clear(); });
  StoreDefaultPortNameIfEmpty(settings);
  EXPECT_EQ(settings.Get().port_name, "COM1");
  settings.Update([](ToolSettings& s) { s.port_name = "/dev/ttyACM0"; });
  StoreDefaultPortNameIfEmpty(settings);
  EXPECT_EQ(settings.Get().port_name, "/dev/ttyACM0");
}

TEST_F(SerialPortTest, SecondOpenInTheSameProcessIsRefused) {
  ASSERT_TRUE(port_.Open());
  ProcessFlags other_flags;
  CSerialPort other(settings_, other_flags);
  const PortResult refused = other.Open();
  EXPECT_EQ(refused.kind, PortErrorKind::kLockedBy);
  EXPECT_EQ(refused.holder_pid, static_cast<long>(getpid()));
  EXPECT_FALSE(other_flags.port_open);
  EXPECT_TRUE(other_flags.port_closed);
  port_.Write(port_.PortLock(), "AT\r\n");  // the first opener keeps the port
  EXPECT_TRUE(dtu_.WaitForReceived("AT\r\n"));
}

TEST_F(SerialPortTest, SecondOpenFromAnotherProcessIsRefused) {
  ASSERT_TRUE(port_.Open());
  EXPECT_EQ(OpenInAnotherProcess(dtu_.Path()), static_cast<int>(PortErrorKind::kLockedBy));
}

// The flock tells a live opener; an exclusive mark alone is one left behind.
struct OtherOpenerCase {
  const char* name;
  bool mark;
  bool flock;
  bool opens;
};

class OpenBesideAnotherOpener : public PortOnPeerTest,
                                public ::testing::WithParamInterface<OtherOpenerCase> {};

TEST_P(OpenBesideAnotherOpener, OpensUnlessTheFlockIsHeld) {
  const OtherOpenerCase& c = GetParam();
  OtherOpener other(dtu_.Path(), c.mark, c.flock);
  ASSERT_TRUE(other.Holds());
  const PortResult opened = port_.Open();
  EXPECT_EQ(opened.kind, c.opens ? PortErrorKind::kNone : PortErrorKind::kBusy);
  // A live opener keeps its mark; a port taken over carries ours.
  EXPECT_EQ(other.Exclusive(), c.mark || c.opens);
  if (!c.opens) return;
  port_.Write(port_.PortLock(), "AT\r\n");
  EXPECT_TRUE(dtu_.WaitForReceived("AT\r\n"));
  port_.Close();
  EXPECT_FALSE(other.Exclusive());
}

INSTANTIATE_TEST_SUITE_P(Openers, OpenBesideAnotherOpener,
                         ::testing::Values(OtherOpenerCase{"StaleMark", true, false, true},
                                           OtherOpenerCase{"FlockAndMark", true, true, false},
                                           OtherOpenerCase{"FlockAlone", false, true, false}),
                         [](const ::testing::TestParamInfo<OtherOpenerCase>& param) {
                           return std::string(param.param.name);
                         });

TEST_F(SerialPortTest, APortLeftMarkedByAKilledToolOpens) {
  // Another process keeps the device open while the tool that had the port
  // is killed: its flock goes with it, its exclusive mark stays.
  OtherOpener bystander(dtu_.Path(), /*mark=*/false);
  ASSERT_TRUE(bystander.Holds());
  ASSERT_EQ(OpenInAnotherProcess(dtu_.Path()), kChildOpened);  // the child ends without closing
  ASSERT_TRUE(bystander.Exclusive());
  // Its lock file stays too, naming a process that is gone: stale, and taken.
  ASSERT_TRUE(std::filesystem::exists(LockFilePath(dtu_.Path())));
  EXPECT_TRUE(port_.Open());
  EXPECT_TRUE(bystander.Exclusive());
  EXPECT_EQ(test::ReadFileBytes(LockFilePath(dtu_.Path())), Format("%10d\n", static_cast<int>(getpid())));
}

TEST_F(SerialPortTest, AUserOutsideTheDevicesGroupIsDeniedPermission) {
  // The pseudo-terminal belongs to root, mode 0620: user nobody may not
  // open it. Without root the test cannot become nobody.
  if (getuid() != 0) GTEST_SKIP() << "needs root to open the device as another user";
  EXPECT_EQ(OpenInAnotherProcess(dtu_.Path(), /*as_nobody=*/true), static_cast<int>(PortErrorKind::kPermissionDenied));
}

TEST_F(SerialPortTest, ClosedPortOpensInAnotherProcess) {
  ASSERT_TRUE(port_.Open());
  port_.Close();
  EXPECT_EQ(OpenInAnotherProcess(dtu_.Path()), kChildOpened);
}

TEST_F(SerialPortTest, CloseClearsTheFlagsAndLosesLaterWrites) {
  ASSERT_TRUE(port_.Open());
  port_.Close();
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_FALSE(flags_.port_open);
  EXPECT_TRUE(flags_.port_closed);
  EXPECT_EQ(port_.OpenedPortName(), dtu_.Path());
  port_.Write(port_.PortLock(), "lost\r\n");
  char buffer[16];
  EXPECT_EQ(port_.ReadQueued(port_.PortLock(), buffer, sizeof buffer), 0);
  // A new opener is let in, and its bytes are the only ones on the wire.
  ProcessFlags other_flags;
  CSerialPort other(settings_, other_flags);
  ASSERT_TRUE(other.Open());
  other.Write(other.PortLock(), "END");
  ASSERT_TRUE(dtu_.WaitForReceived("END"));
  EXPECT_EQ(dtu_.Received(), "END");
}

// ---- reading and writing ---------------------------------------------------

TEST_F(SerialPortTest, WriteSendsEveryByteUnchanged) {
  ASSERT_TRUE(port_.Open());
  const std::string bytes = "AT+LOGIN=pilot\r" + AllByteValues() + "AT+GETPARAM?\r\n";
  port_.Write(port_.PortLock(), bytes);
  ASSERT_TRUE(dtu_.WaitForReceived("AT+GETPARAM?\r\n"));
  EXPECT_EQ(dtu_.Received(), bytes);
}

TEST_F(SerialPortTest, ReadQueuedTakesEveryByteUnchanged) {
  ASSERT_TRUE(port_.Open());
  dtu_.Write(AllByteValues());
  ASSERT_TRUE(dtu_.WaitQueuedAtPort(256));
  char buffer[1024];
  ASSERT_EQ(port_.ReadQueued(port_.PortLock(), buffer, sizeof buffer), 256);
  EXPECT_EQ(std::string(buffer, 256), AllByteValues());
}

TEST_F(SerialPortTest, ReadQueuedTakesAtMostItsCapacityAndLeavesTheRest) {
  ASSERT_TRUE(port_.Open());
  dtu_.Write("0123456789ABCDEFGHIJKLMNO");
  ASSERT_TRUE(dtu_.WaitQueuedAtPort(25));
  char buffer[10];
  ASSERT_EQ(port_.ReadQueued(port_.PortLock(), buffer, sizeof buffer), 10);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EXPECT_EQ(dtu_.QueuedAtPort(), 15u);
  ASSERT_EQ(port_.ReadQueued(port_.PortLock(), buffer, sizeof buffer), 10);
  EXPECT_EQ(std::string(buffer, 10), "ABCDEFGHIJ");
  ASSERT_EQ(port_.ReadQueued(port_.PortLock(), buffer, sizeof buffer), 5);
  EXPECT_EQ(std::string(buffer, 5), "KLMNO");
}

TEST_F(SerialPortTest, ReadQueuedWithACapacityBeyond16BitsStillReads) {
  ASSERT_TRUE(port_.Open());
  dtu_.Write("\r\nOK\r\n");
  ASSERT_TRUE(dtu_.WaitQueuedAtPort(6));
  std::vector<char> buffer(65536 + 3);
  ASSERT_EQ(port_.ReadQueued(port_.PortLock(), buffer.data(), buffer.size()), 6);
  EXPECT_EQ(std::string(buffer.data(), 6), "\r\nOK\r\n");
}

TEST_F(SerialPortTest, ReadQueuedReturnsZeroWhenNothingIsQueued) {
  ASSERT_TRUE(port_.Open());
  char buffer[16];
  EXPECT_EQ(port_.ReadQueued(port_.PortLock(), buffer, sizeof buffer), 0);
}

TEST_F(SerialPortTest, PurgeAllDiscardsWhatIsQueued) {
  ASSERT_TRUE(port_.Open());
  dtu_.Write("\r\nOK\r\n");
  ASSERT_TRUE(dtu_.WaitQueuedAtPort(6));
  port_.PurgeAll();
  EXPECT_EQ(dtu_.QueuedAtPort(), 0u);
  char buffer[16];
  EXPECT_EQ(port_.ReadQueued(port_.PortLock(), buffer, sizeof buffer), 0);
}

TEST_F(SerialPortTest, PurgeAllLetsWrittenBytesGoOut) {
  ASSERT_TRUE(port_.Open());
  for (int i = 0; i < 20; ++i) {
    port_.Write(port_.PortLock(), "AT+RESET\r\n");
    port_.PurgeAll();
  }
  ASSERT_TRUE(dtu_.WaitForReceived("AT+RESET\r\n", 20));
  EXPECT_EQ(dtu_.CountReceived("AT+RESET\r\n"), 20u);
}

TEST_F(SerialPortTest, WaitReadableSaysWhetherBytesCame) {
  ASSERT_TRUE(port_.Open());
  EXPECT_FALSE(port_.WaitReadable(20));
  dtu_.Write("x");
  EXPECT_TRUE(port_.WaitReadable(5000));
  EXPECT_TRUE(port_.WaitReadable(0));  // still queued
  port_.Close();
  EXPECT_FALSE(port_.WaitReadable(5000));
}

TEST_F(SerialPortTest, CloseEndsAWaitInProgress) {
  ASSERT_TRUE(port_.Open());
  bool readable = true;
  // Longer than the suite's time-out: only the close can end this wait.
  std::thread waiter([&] { readable = port_.WaitReadable(600'000); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  port_.Close();
  waiter.join();
  EXPECT_FALSE(readable);
}

// ---- re-opening and line settings -----------------------------------------

TEST_F(SerialPortTest, ReopenForConfigDoesNothingWhileThePortIsNotOpen) {
  EXPECT_EQ(port_.ReopenForConfig().kind, PortErrorKind::kNotOpen);
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_EQ(settings_.Get().stop_bits, 1);
}

TEST_F(SerialPortTest, ReopenForConfigSets8N1AndClearsTheBuffers) {
  ASSERT_TRUE(port_.Open());
  settings_.Update([](ToolSettings& s) {
    s.data_bits = 7;
    s.stop_bits = 2;
    s.parity = 1;
  });
  dtu_.Write("stale");
  ASSERT_TRUE(dtu_.WaitQueuedAtPort(5));
  ASSERT_TRUE(port_.ReopenForConfig());
  // The front end stores the 8N1 codes; the port writes no setting.
  EXPECT_EQ(settings_.Get().data_bits, 7);
  StoreConfigLineFormat(settings_);
  const ToolSettings s = settings_.Get();
  EXPECT_EQ(s.data_bits, 8);
  EXPECT_EQ(s.stop_bits, 0);
  EXPECT_EQ(s.parity, 0);
  const termios line = dtu_.LineState();
  EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(line.c_cflag & (CSTOPB | PARENB), 0u);
  EXPECT_EQ(dtu_.QueuedAtPort(), 0u);
  port_.Write(port_.PortLock(), "AT\r\n");
  EXPECT_TRUE(dtu_.WaitForReceived("AT\r\n"));
}

TEST_F(SerialPortTest, FailedReopenLeavesThePortClosed) {
  ASSERT_TRUE(port_.Open());
  settings_.Update([](ToolSettings& s) { s.port_name = "/dev/zt-no-such-port"; });
  const PortResult reopened = port_.ReopenForConfig();
  EXPECT_EQ(reopened.kind, PortErrorKind::kNoSuchDevice);
  EXPECT_EQ(ReopenFailureText(reopened), "修改串口参数失败"_gbk);
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_TRUE(flags_.port_open);
  EXPECT_FALSE(flags_.port_closed);
}

TEST_F(SerialPortTest, ApplyLineSettingsPutsTheStoredFormatOnTheLine) {
  ASSERT_TRUE(port_.Open());
  dtu_.Write("stale");
  ASSERT_TRUE(dtu_.WaitQueuedAtPort(5));
  settings_.Update([&](ToolSettings& s) {
    s.baud = 9600;
    s.stop_bits = 2;
    s.parity = 1;
    s.flow_control = 1;
  });
  ASSERT_TRUE(port_.ApplyLineSettings());
  // A pseudo-terminal keeps the speed, the stop bits and the odd-parity flag
  // (it forces 8 bits without parity); termios_format_test checks the rest.
  const termios line = dtu_.LineState();
  EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B9600));
  EXPECT_EQ(line.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
  EXPECT_EQ(line.c_cflag & PARODD, static_cast<tcflag_t>(PARODD));
  EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0u);  // the flow-control code is never applied
  EXPECT_EQ(dtu_.QueuedAtPort(), 0u);
  EXPECT_TRUE(port_.IsOpen());
}

TEST_F(SerialPortTest, SetLineSettingIsIgnoredWhileThePortIsNotOpen) {
  port_.SetLineSetting(kLineBaud, 9600);
  EXPECT_EQ(settings_.Get().baud, 57600u);
}

TEST_F(SerialPortTest, SetLineSettingStoresTheValueAndReopens) {
  ASSERT_TRUE(port_.Open());
  port_.SetLineSetting(kLineBaud, 115200);
  port_.SetLineSetting(kLineStopBits, 2);
  EXPECT_EQ(settings_.Get().baud, 115200u);
  EXPECT_EQ(settings_.Get().stop_bits, 2);
  const termios line = dtu_.LineState();
  EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B115200));
  EXPECT_EQ(line.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
  EXPECT_TRUE(port_.IsOpen());
}

TEST_F(SerialPortTest, SetLineSettingWithTheStoredValueLeavesThePortAlone) {
  ASSERT_TRUE(port_.Open());
  dtu_.Write("kept");
  ASSERT_TRUE(dtu_.WaitQueuedAtPort(4));
  port_.SetLineSetting(kLineBaud, 57600);
  port_.SetLineSetting(kLineDataBits, 0x108);  // 8-bit kinds compare the low byte
  EXPECT_EQ(dtu_.QueuedAtPort(), 4u);           // a re-open would have cleared it
}

TEST_F(SerialPortTest, FlowControlChangeReopensWithoutChangingTheLine) {
  ASSERT_TRUE(port_.Open());
  settings_.Update([](ToolSettings& s) { s.stop_bits = 0; });
  const termios before = dtu_.LineState();
  dtu_.Write("cleared");
  ASSERT_TRUE(dtu_.WaitQueuedAtPort(7));
  port_.SetLineSetting(kLineFlowControl, 2);
  EXPECT_EQ(settings_.Get().flow_control, 2);
  EXPECT_EQ(dtu_.QueuedAtPort(), 0u);
  const termios after = dtu_.LineState();
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
}

TEST_F(SerialPortTest, SetLineSettingOfAnUnknownKindIsIgnored) {
  ASSERT_TRUE(port_.Open());
  const ToolSettings before = settings_.Get();
  dtu_.Write("kept");
  ASSERT_TRUE(dtu_.WaitQueuedAtPort(4));
  port_.SetLineSetting(5, 1);
  port_.SetLineSetting(-1, 1);
  EXPECT_EQ(settings_.Get().baud, before.baud);
  EXPECT_EQ(dtu_.QueuedAtPort(), 4u);
}

}  // namespace
}  // namespace zt
