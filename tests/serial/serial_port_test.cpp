#include "serial/serial_port.h"

#include <fcntl.h>
#include <spawn.h>
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
#include "text/gbk_literal.h"

extern char** environ;

namespace zt {
namespace {

using namespace zt::literals;
using test::PortOnPeerTest;
using test::PtyPeer;
using test::RecordingMessageBox;

// The "other process" of the exclusive-open tests: the suite runs itself with
// this variable set, opens the named port and reports by its exit status
// before any test starts.
constexpr const char* kChildOpenVariable = "ZT_SERIAL_TEST_OPEN_IN_CHILD";
constexpr int kChildOpened = 0;
constexpr int kChildRefused = 3;

[[maybe_unused]] const int kChildOpenHook = [] {
  const char* path = std::getenv(kChildOpenVariable);
  if (path == nullptr) return 0;
  ToolSettingsStore settings;
  settings.Update([&](ToolSettings& s) { s.port_name = path; });
  ProcessFlags flags;
  RecordingMessageBox messages;
  CSerialPort port(settings, flags, messages);
  std::_Exit(port.Open() ? kChildOpened : kChildRefused);
}();

// Exit status of this program opening `path` in a process of its own.
int OpenInAnotherProcess(const std::string& path) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
  environment.push_back(std::string(kChildOpenVariable) + "=" + path);
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
  EXPECT_TRUE(messages_.Shown().empty());
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

TEST_F(SerialPortTest, OpenFailureShowsItsMessageAndChangesNothing) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("notes.txt"), "");
  ASSERT_TRUE(port_.Open());  // the live opener of the peer's device
  const std::string_view held_or_other = "打开串口失败: 串口已占用或其他错误!"_gbk;
  const struct {
    std::string path;
    std::string_view text;
  } cases[] = {
      {dir.File("ttyUSB0"), "打开串口失败: 串口不存在!"_gbk},  // unplugged, or never there
      {dir.File("notes.txt"), held_or_other},
      {dtu_.Path(), held_or_other},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ToolSettingsStore settings;
    settings.Update([&](ToolSettings& s) { s.port_name = c.path; });
    ProcessFlags flags;
    RecordingMessageBox messages;
    CSerialPort port(settings, flags, messages);
    EXPECT_FALSE(port.Open());
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].text, c.text);
    EXPECT_EQ(messages.Shown()[0].caption, "提示"_gbk);
    EXPECT_EQ(messages.Shown()[0].icon, MessageIcon::kError);
    EXPECT_FALSE(flags.port_open);
    EXPECT_TRUE(flags.port_closed);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.OpenedPortName(), "");
  }
}

TEST_F(SerialPortTest, OpenWithAnEmptyNameStoresCom1) {
  if (std::filesystem::exists(PortDevicePath("COM1"))) {
    GTEST_SKIP() << "this machine has a real COM1, which a test must not open";
  }
  settings_.Update([](ToolSettings& s) { s.port_name.clear(); });
  EXPECT_FALSE(port_.Open());
  EXPECT_EQ(settings_.Get().port_name, "COM1");
}

TEST_F(SerialPortTest, OpenRefusesAFileThatIsNoTerminal) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("notes.txt"), "keep me\r\n");
  settings_.Update([&](ToolSettings& s) { s.port_name = dir.File("notes.txt"); });
  EXPECT_FALSE(port_.Open());
  EXPECT_EQ(messages_.Shown().size(), 1u);
  EXPECT_EQ(test::ReadFileBytes(dir.File("notes.txt")), "keep me\r\n");
}

TEST_F(SerialPortTest, OpenRefusesANameLongerThan255Bytes) {
  settings_.Update([](ToolSettings& s) { s.port_name = "/" + std::string(300, 'a'); });
  EXPECT_FALSE(port_.Open());
  EXPECT_EQ(messages_.Shown().size(), 1u);
}

TEST_F(SerialPortTest, SecondOpenInTheSameProcessIsRefused) {
  ASSERT_TRUE(port_.Open());
  ProcessFlags other_flags;
  RecordingMessageBox other_messages;
  CSerialPort other(settings_, other_flags, other_messages);
  EXPECT_FALSE(other.Open());
  EXPECT_EQ(other_messages.Shown().size(), 1u);
  EXPECT_FALSE(other_flags.port_open);
  EXPECT_TRUE(other_flags.port_closed);
  port_.Write(port_.PortLock(), "AT\r\n");  // the first opener keeps the port
  EXPECT_TRUE(dtu_.WaitForReceived("AT\r\n"));
}

TEST_F(SerialPortTest, SecondOpenFromAnotherProcessIsRefused) {
  ASSERT_TRUE(port_.Open());
  EXPECT_EQ(OpenInAnotherProcess(dtu_.Path()), kChildRefused);
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
  EXPECT_EQ(port_.Open(), c.opens);
  EXPECT_EQ(messages_.Shown().size(), c.opens ? 0u : 1u);
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
  EXPECT_TRUE(port_.Open());
  EXPECT_TRUE(messages_.Shown().empty());
  EXPECT_TRUE(bystander.Exclusive());
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
  RecordingMessageBox other_messages;
  CSerialPort other(settings_, other_flags, other_messages);
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
  EXPECT_FALSE(port_.ReopenForConfig());
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_EQ(settings_.Get().stop_bits, 1);
  EXPECT_TRUE(messages_.Shown().empty());
}

TEST_F(SerialPortTest, ReopenForConfigStores8N1AndClearsTheBuffers) {
  ASSERT_TRUE(port_.Open());
  settings_.Update([](ToolSettings& s) {
    s.data_bits = 7;
    s.stop_bits = 2;
    s.parity = 1;
  });
  dtu_.Write("stale");
  ASSERT_TRUE(dtu_.WaitQueuedAtPort(5));
  ASSERT_TRUE(port_.ReopenForConfig());
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

TEST_F(SerialPortTest, FailedReopenShowsTheMessageAndLeavesThePortClosed) {
  ASSERT_TRUE(port_.Open());
  settings_.Update([](ToolSettings& s) { s.port_name = "/dev/zt-no-such-port"; });
  EXPECT_FALSE(port_.ReopenForConfig());
  ASSERT_EQ(messages_.Shown().size(), 1u);
  EXPECT_EQ(messages_.Shown()[0].text, "修改串口参数失败"_gbk);
  EXPECT_EQ(messages_.Shown()[0].caption, "提示"_gbk);
  EXPECT_EQ(messages_.Shown()[0].icon, MessageIcon::kError);
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

// ---- the port list ---------------------------------------------------------

TEST(EnumeratePorts, ListsFreeAndHeldComPortsThenUsbAndAcmDevices) {
  test::TempDir dev;
  PtyPeer com1, com5, usb2, usb10, acm0;
  namespace fs = std::filesystem;
  fs::create_symlink(com1.Path(), dev.File("ttyS0"));
  fs::create_symlink(com5.Path(), dev.File("ttyS4"));
  test::WriteFileBytes(dev.File("ttyS7"), "");  // a file, no terminal
  fs::create_symlink(usb2.Path(), dev.File("ttyUSB2"));
  fs::create_symlink(usb10.Path(), dev.File("ttyUSB10"));
  fs::create_symlink(acm0.Path(), dev.File("ttyACM0"));
  fs::create_symlink(acm0.Path(), dev.File("ttyUSBx"));
  test::WriteFileBytes(dev.File("ttyACM1"), "");
  PtyPeer com2;
  fs::create_symlink(com2.Path(), dev.File("ttyS1"));
  OtherOpener other_program(com2.Path());
  ASSERT_TRUE(other_program.Holds());

  // COM2 and COM5 are held by other openers; they are listed all the same.
  ToolSettingsStore settings;
  settings.Update([&](ToolSettings& s) { s.port_name = dev.File("ttyS4"); });
  ProcessFlags flags;
  RecordingMessageBox messages;
  CSerialPort holder(settings, flags, messages);
  ASSERT_TRUE(holder.Open());

  EXPECT_EQ(EnumeratePortsUnder(dev.path()),
            (std::vector<std::string>{"COM1", "COM2", "COM5", dev.File("ttyUSB2"), dev.File("ttyUSB10"),
                                      dev.File("ttyACM0")}));
  EXPECT_TRUE(other_program.Exclusive());
  // Probing leaves the free ports free.
  settings.Update([&](ToolSettings& s) { s.port_name = dev.File("ttyS0"); });
  CSerialPort other(settings, flags, messages);
  EXPECT_TRUE(other.Open());
}

}  // namespace
}  // namespace zt
