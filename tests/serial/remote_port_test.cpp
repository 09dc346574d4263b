// Ports on another machine: zereltool-cli through a real ser2net on
// loopback, serving a simulated DTU's pseudo-terminal with COM-port control
// and raw.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "serial/net_link.h"
#include "serial/serial_port.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "support/dtusim_fixture.h"
#include "support/run_program.h"
#include "support/ser2net_fixture.h"
#include "support/temp_dir.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using namespace std::chrono_literals;
using serial_detail::ParsePortUrl;
using serial_detail::PortUrl;
using test::DtuSimProcess;
using test::ProgramResult;
using test::Ser2NetProcess;

struct UrlCase {
  const char* name;
  bool valid;
  PortUrl::Kind kind;
  const char* host;
  const char* port;
};

class PortUrlTable : public ::testing::TestWithParam<UrlCase> {};

TEST_P(PortUrlTable, SplitsHostAndPort) {
  const std::optional<PortUrl> url = ParsePortUrl(GetParam().name);
  ASSERT_EQ(url.has_value(), GetParam().valid);
  EXPECT_TRUE(serial_detail::IsNetworkPortName(GetParam().name));
  EXPECT_EQ(PortDevicePath(GetParam().name), GetParam().name);  // passed on unchanged
  if (!url) return;
  EXPECT_EQ(url->kind, GetParam().kind);
  EXPECT_EQ(url->host, GetParam().host);
  EXPECT_EQ(url->port, GetParam().port);
}

constexpr auto kRawUrl = PortUrl::Kind::kRaw;
constexpr auto kControl = PortUrl::Kind::kComPortControl;
INSTANTIATE_TEST_SUITE_P(Names, PortUrlTable,
                         ::testing::Values(UrlCase{"rfc2217://127.0.0.1:4001", true, kControl, "127.0.0.1",
                                                   "4001"},
                                           UrlCase{"RFC2217://dtu-host:7", true, kControl, "dtu-host", "7"},
                                           UrlCase{"tcp://[::1]:65535", true, kRawUrl, "::1", "65535"},
                                           UrlCase{"tcp://host", false, kRawUrl, "", ""},
                                           UrlCase{"tcp://::1:4001", false, kRawUrl, "", ""},
                                           UrlCase{"tcp://host:0", false, kRawUrl, "", ""},
                                           UrlCase{"tcp://host:65536", false, kRawUrl, "", ""},
                                           UrlCase{"tcp://:4001", false, kRawUrl, "", ""},
                                           UrlCase{"tcp://a b:4001", false, kRawUrl, "", ""}));

enum class Remote { kComPort, kRaw };

std::string Utf8(std::string_view gbk) { return GbkToUtf8(gbk); }

// The login is sent again when its OK is late (1 s, up to 20 times): on a
// loaded machine either side may repeat it. One login stands for a run of them.
std::string WithOneLoginPerRun(std::string bytes) {
  const std::string login = "AT+LOGIN=pilot\r";
  for (std::size_t at = bytes.find(login); at != std::string::npos; at = bytes.find(login, at + 1))
    while (bytes.compare(at + login.size(), login.size(), login) == 0) {
      bytes.erase(at + login.size(), login.size());
    }
  return bytes;
}

class RemotePort : public ::testing::TestWithParam<Remote> {
 protected:
  void SetUp() override {
    if (!Ser2NetProcess::Available())
      GTEST_SKIP() << "ser2net is not installed (" << Ser2NetProcess::kProgram << ")";
  }
  // Starts the simulator with `sim_args` and ser2net in front of it.
  void StartRemote(const std::vector<std::string>& sim_args = {}) {
    ASSERT_TRUE(sim.Start(sim_args)) << sim.error();
    ASSERT_TRUE(server.Start(sim.SlavePath())) << server.error();
  }
  std::string Url() const { return GetParam() == Remote::kComPort ? server.ComPortUrl() : server.RawUrl(); }
  ProgramResult Cli(const std::string& port, const std::vector<std::string>& args,
                    const test::TempDir& where) {
    std::vector<std::string> argv = {ZT_CLI_PATH, "--settings", where.File("tool_set.ini"), "-p", port};
    argv.insert(argv.end(), args.begin(), args.end());
    test::ProgramSetup setup;
    setup.working_folder = where.path();
    setup.environment.push_back("ZT_LOCK_DIR=" + locks.path());
    setup.timeout = 60s;
    return test::RunProgram(argv, setup);
  }

  DtuSimProcess sim;
  Ser2NetProcess server;
  test::TempDir dir;
  test::TempDir locks;
};

// The same command through the server and straight on a pseudo-terminal (at
// the same time, each with its own simulator) puts the same bytes on the line.
TEST_P(RemotePort, ReadAndWriteSendTheBytesTheyWouldSendOnThePty) {
  StartRemote();
  DtuSimProcess direct;
  ASSERT_TRUE(direct.Start()) << direct.error();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"read"}, std::vector<std::string>{"write", "--param", "APN=cmnet"}}) {
    test::TempDir remote_dir;
    test::TempDir direct_dir;
    ProgramResult remote;
    std::thread remote_run([&] { remote = Cli(Url(), args, remote_dir); });
    const ProgramResult local = Cli(direct.SlavePath(), args, direct_dir);
    remote_run.join();
    ASSERT_EQ(local.status, 0) << local.err;
    ASSERT_EQ(remote.status, 0) << args[0] << ": " << remote.err;
    EXPECT_EQ(remote.out, local.out);
  }
  EXPECT_EQ(WithOneLoginPerRun(sim.ReceivedBytes()), WithOneLoginPerRun(direct.ReceivedBytes()));
  EXPECT_NE(sim.ReceivedBytes().find("AT+SETPARAM=APN,cmnet\r\n"), std::string::npos);
}

TEST_P(RemotePort, ProductionTestRuns) {
  StartRemote();
  const ProgramResult r =
      Cli(Url(), {"prodtest", "--run-test", "--key", "ZR-3100 READY", "--csq", "15"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find(Utf8("查询信号强度成功，信号强度为[23]!\n"_gbk)), std::string::npos) << r.err;
}

TEST_P(RemotePort, AServerThatEndsMidCommandIsARemovedDevice) {
  StartRemote({"--huge-reply"});
  ProgramResult r;
  std::chrono::steady_clock::time_point ended;
  std::thread cli([&] {
    r = Cli(Url(), {"read"}, dir);
    ended = std::chrono::steady_clock::now();
  });
  const bool sent = sim.WaitForReceived("AT+GETPARAM?\r\n", 20s);
  const auto killed = std::chrono::steady_clock::now();
  server.Kill();
  cli.join();
  ASSERT_TRUE(sent) << r.err;
  EXPECT_LT(ended - killed, 1s) << r.err;
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find(Utf8("串口 "_gbk) + Url() + Utf8(" 的设备已移除，串口已关闭"_gbk) + "\n"),
            std::string::npos)
      << r.err;
}

// The parameter view and the AT terminal's line changes close and re-open
// the port: the server takes the new connection at once.
TEST_P(RemotePort, ReopeningConnectsAgain) {
  StartRemote();
  ToolSettingsStore settings;
  settings.Update([&](ToolSettings& s) { s.port_name = Url(); });
  ProcessFlags flags;
  CSerialPort port(settings, flags);
  ASSERT_TRUE(port.Open().ok());
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(port.ReopenForConfig().ok()) << i;
  port.Write(port.PortLock(), "AT\r\n");
  EXPECT_TRUE(sim.WaitForReceived("AT\r\n"));
  EXPECT_EQ(sim.ReceivedBytes(), "AT\r\n");
  EXPECT_FALSE(port.Removed());
}

// ser2net serves one client per port: a second one is turned away for as
// long as the first stays, and the open ends as for a port in use.
TEST_P(RemotePort, AServerPortInUseIsBusy) {
  StartRemote();
  ToolSettingsStore settings;
  settings.Update([&](ToolSettings& s) { s.port_name = Url(); });
  ProcessFlags flags;
  CSerialPort first(settings, flags);
  ASSERT_TRUE(first.Open().ok());
  ProcessFlags other_flags;
  CSerialPort second(settings, other_flags);
  const PortResult r = second.Open();
  EXPECT_EQ(r.kind, PortErrorKind::kBusy);
  EXPECT_FALSE(second.IsOpen());
  EXPECT_TRUE(first.IsOpen());
  EXPECT_FALSE(first.Removed());
}

TEST_P(RemotePort, ARefusedConnectionIsAnOpenFailure) {
  const std::string scheme = GetParam() == Remote::kComPort ? "rfc2217" : "tcp";
  const ProgramResult r =
      Cli(scheme + "://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()), {"read"}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, Utf8("提示: 打开串口失败: 串口已占用或其他错误!\n"_gbk));
}

INSTANTIATE_TEST_SUITE_P(Kinds, RemotePort, ::testing::Values(Remote::kComPort, Remote::kRaw),
                         [](const ::testing::TestParamInfo<Remote>& param) {
                           return std::string(param.param == Remote::kComPort ? "ComPortControl" : "Raw");
                         });

class RemoteLine : public RemotePort {};

// ser2net sets the pseudo-terminal to the speed the tool asks for; it gives
// the old one back when the connection ends, so the speed is read while the
// command runs.
TEST_P(RemoteLine, TheServerSetsTheSpeedAskedFor) {
  StartRemote();
  ProgramResult r;
  std::thread cli([&] { r = Cli(Url(), {"-b", "115200", "read"}, dir); });
  const bool connected = sim.WaitForReceived("AT+GETPARAM?\r\n", 20s);
  speed_t speed = 0;
  const int fd = ::open(sim.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  termios t{};
  if (fd >= 0 && ::tcgetattr(fd, &t) == 0) speed = ::cfgetospeed(&t);
  if (fd >= 0) ::close(fd);
  cli.join();
  ASSERT_TRUE(connected) << r.err;
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(speed, static_cast<speed_t>(B115200));
}

INSTANTIATE_TEST_SUITE_P(Kinds, RemoteLine, ::testing::Values(Remote::kComPort),
                         [](const ::testing::TestParamInfo<Remote>&) {
                           return std::string("ComPortControl");
                         });

}  // namespace
}  // namespace zt
