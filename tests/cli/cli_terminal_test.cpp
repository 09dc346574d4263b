// zereltool-cli at and monitor, against the simulated DTU and against a
// silent port (a scripted peer that only answers what a test tells it to).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <regex>

#include "background_program.h"
#include "support/dtusim_fixture.h"
#include "support/pty_peer.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using namespace std::string_literals;
using Millis = std::chrono::milliseconds;
using test::BackgroundProgram;
using test::ProgramResult;

class CliTerminal : public ::testing::Test {
 protected:
  void StartSim(std::vector<std::string> args = {}) {
    ASSERT_TRUE(sim.Start(args)) << sim.error();
    port = sim.SlavePath();
  }
  std::vector<std::string> Argv(const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {ZT_CLI_PATH, "--settings", dir.File("tool_set.ini"), "-p", port, "-b", "115200"};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
  }
  ProgramResult Cli(const std::vector<std::string>& args) {
    test::ProgramSetup setup;
    setup.working_folder = dir.path();
    setup.timeout = std::chrono::seconds(60);
    return test::RunProgram(Argv(args), setup);
  }

  test::TempDir dir;
  test::DtuSimProcess sim;
  std::string port;
};

TEST_F(CliTerminal, AtPrintsEachReplyAfterItsEchoAndExits0WhenAllEndInOk) {
  StartSim();
  const ProgramResult r = Cli({"at", "AT+CSQ", "AT+GETPARAM=SPSV"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "+CSQ: 23,99\nOK\nSPSV=3.1.2\nOK\n");
  EXPECT_NE(r.err.find("连接DTU...\n连接DTU成功!  \n正在登录DTU...\n登录DTU成功\n"), std::string::npos) << r.err;
  // Woken and logged in as read does, then each command with CR LF.
  const std::string wire = sim.ReceivedBytes();
  EXPECT_EQ(wire.substr(wire.rfind("AT+LOGIN")), "AT+LOGIN=pilot\rAT+CSQ\r\nAT+GETPARAM=SPSV\r\n");
  EXPECT_EQ(wire.find(std::string(20, ' ')), 0u);
}

// A unit slower than the wake-up's half second (and the login's second) is
// sent them again; its late answers to the repeats are not the replies.
TEST_F(CliTerminal, AtWaitsOutTheLateAnswersOfASlowUnit) {
  StartSim({"--delay", "1300"});
  const ProgramResult r = Cli({"at", "AT+CSQ", "AT+GETPARAM=SPSV"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "+CSQ: 23,99\nOK\nSPSV=3.1.2\nOK\n");
  // The case at hand: the wake-up was sent again (and the answers to the
  // repeats came late).
  const std::string wire = sim.ReceivedBytes();
  EXPECT_NE(wire.find(std::string(20, ' ')), wire.rfind(std::string(20, ' ')));
}

TEST_F(CliTerminal, AtStopsAtTheFirstErrorAndExits1) {
  StartSim({"--error-on", "AT+CSQ"});
  const ProgramResult r = Cli({"at", "AT+GETPARAM=SPSV", "AT+CSQ", "AT+GETPARAM=SPPID"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out, "SPSV=3.1.2\nOK\nERROR\n");
  EXPECT_EQ(sim.ReceivedBytes().find("SPPID"), std::string::npos);
}

TEST_F(CliTerminal, AtWithoutLoginSendsToTheSilentPortAsItIsAndTimesOut) {
  test::PtyPeer silent;
  port = silent.Path();
  const auto start = std::chrono::steady_clock::now();
  const ProgramResult r = Cli({"at", "--no-login", "--timeout", "300", "AT+CSQ", "AT"});
  EXPECT_EQ(r.status, 1);
  EXPECT_GE(std::chrono::steady_clock::now() - start, Millis(300));
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("AT+CSQ: no complete reply within 300 ms"), std::string::npos) << r.err;
  EXPECT_EQ(silent.Received(), "AT+CSQ\r\n");
}

TEST_F(CliTerminal, WhatTheUnitSendsReachesTheTerminalEscaped) {
  test::PtyPeer unit;
  unit.AddRule({.when = "AT+X\r\n", .reply = {"AT+X\r\n\x1B]0;owned\x07\r\n" + std::string("中文"_gbk) + "\xFF\r\nOK\r\n"}});
  port = unit.Path();
  const ProgramResult r = Cli({"at", "--no-login", "AT+X"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "\\x1B]0;owned\\x07\n中文\\xFF\nOK\n");
}

TEST_F(CliTerminal, BadCommandLinesAndPortsExit2) {
  const std::vector<std::vector<std::string>> cases = {
      {"at"},
      {"at", "--timeout", "0", "AT"},
      {"at", "AT\x01"},
      {"read", "--hex"},
      {"monitor", "--no-login"},
      {"monitor", "extra"},
  };
  port = dir.File("no-such-port");
  for (const auto& args : cases) {
    const ProgramResult r = Cli(args);
    EXPECT_EQ(r.status, 2) << args.back() << "\n" << r.err;
  }
  EXPECT_EQ(Cli({"at", "AT"}).status, 2);
  EXPECT_EQ(Cli({"monitor"}).status, 2);
}

TEST_F(CliTerminal, MonitorShowsTheUnitBootingWithTimestampsAndSendsNothing) {
  StartSim({"--boot-delay", "1500"});
  ASSERT_EQ(Cli({"at", "AT+RESET"}).status, 0);
  const std::size_t sent_before = sim.ReceivedBytes().size();
  BackgroundProgram monitor(Argv({"monitor", "--timestamps"}), dir.path());
  ASSERT_TRUE(monitor.started());
  ASSERT_TRUE(monitor.WaitForOut("ZR-3100 READY\n")) << monitor.Out() << monitor.Err();
  monitor.Signal(SIGINT);
  EXPECT_EQ(monitor.Wait(), 0);
  const std::string stamp = R"(\d\d:\d\d:\d\d\.\d{3} )";
  EXPECT_TRUE(std::regex_match(monitor.Out(), std::regex(stamp + "\n" + stamp + "IMEI Number: 860123456789012\n(" +
                                                         stamp + ".*\n)*" + stamp + "ZR-3100 READY\n")))
      << monitor.Out();
  EXPECT_EQ(sim.ReceivedBytes().size(), sent_before);
}

TEST_F(CliTerminal, MonitorOnASilentPortPrintsNothingAndEndsCleanlyOnCtrlC) {
  test::PtyPeer silent;
  port = silent.Path();
  BackgroundProgram monitor(Argv({"monitor"}), dir.path());
  std::this_thread::sleep_for(Millis(300));
  const auto start = std::chrono::steady_clock::now();
  monitor.Signal(SIGINT);
  EXPECT_EQ(monitor.Wait(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, Millis(500));
  EXPECT_EQ(monitor.Out(), "");
  EXPECT_EQ(silent.Received(), "");
}

TEST_F(CliTerminal, MonitorHexShowsEveryByteAndLogsToANewPrivateFile) {
  test::PtyPeer unit;
  port = unit.Path();
  const std::string log = dir.File("unit.log");
  BackgroundProgram monitor(Argv({"monitor", "--hex", "--log", log}), dir.path());
  // The log file is made just before the port opens, and opening the port
  // drops what was queued: write only once the monitor is surely listening
  // (a slow start, under a sanitizer for one, must not lose the bytes).
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (::access(log.c_str(), F_OK) != 0 && std::chrono::steady_clock::now() < limit) {
    std::this_thread::sleep_for(Millis(20));
  }
  std::this_thread::sleep_for(Millis(500));
  unit.Write("\0OK\x1B\xFF\r\n"s);
  ASSERT_TRUE(monitor.WaitForOut("\n")) << monitor.Err();
  monitor.Signal(SIGTERM);
  EXPECT_EQ(monitor.Wait(), 0);
  const std::string row = "00 4F 4B 1B FF 0D 0A" + std::string(27, ' ') + "  .OK....";
  EXPECT_EQ(monitor.Out(), row + "\n");
  EXPECT_EQ(test::ReadFileBytes(log), row + "\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(log.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // An existing file is never written over.
  const ProgramResult again = Cli({"monitor", "--log", log});
  EXPECT_EQ(again.status, 2);
  EXPECT_EQ(test::ReadFileBytes(log), row + "\r\n");
}

}  // namespace
}  // namespace zt
