// zereltool-cli and the port as Linux has it: the ports command, a port
// another program holds, a device unplugged mid-command, and the production
// test across a unit that re-enumerates when it resets.
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/dtusim_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using namespace std::chrono_literals;
using test::DtuSimProcess;
using test::ProgramResult;
using test::ProgramSetup;
using test::RunProgram;

namespace fs = std::filesystem;

std::string Utf8(std::string_view gbk) { return GbkToUtf8(gbk); }

class CliPorts : public ::testing::Test {
 protected:
  ProgramResult Cli(const std::vector<std::string>& args, std::vector<std::string> environment = {}) {
    std::vector<std::string> argv = {ZT_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    ProgramSetup setup;
    setup.working_folder = dir.path();
    setup.environment = std::move(environment);
    setup.environment.push_back("ZT_LOCK_DIR=" + locks.path());
    setup.timeout = std::chrono::seconds(60);
    return RunProgram(argv, setup);
  }
  std::vector<std::string> PortArgs(const std::string& port) const {
    return {"--settings", dir.File("tool_set.ini"), "-p", port};
  }
  // A machine with one FTDI adapter and its by-id link, as sysfs shows it.
  std::string FixtureRoot() {
    const std::string root = dir.File("root");
    const std::string usb = root + "/sys/devices/usb1/1-1";
    const std::string tty = usb + "/1-1:1.0/ttyUSB0/tty/ttyUSB0";
    fs::create_directories(tty);
    for (const auto& [name, value] : {std::pair<const char*, const char*>{"idVendor", "0403"},
                                      {"idProduct", "6001"},
                                      {"serial", "A50285BI"},
                                      {"product", "FT232R USB UART"}}) {
      std::ofstream(usb + "/" + name) << value << "\n";
    }
    std::ofstream(tty + "/dev") << "188:0\n";
    fs::create_symlink("../..", tty + "/device");
    fs::create_directories(root + "/sys/class/tty");
    fs::create_symlink("../../devices/usb1/1-1/1-1:1.0/ttyUSB0/tty/ttyUSB0", root + "/sys/class/tty/ttyUSB0");
    fs::create_directories(root + "/dev/serial/by-id");
    std::ofstream(root + "/dev/ttyUSB0");
    fs::create_symlink("../../ttyUSB0", root + "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    return root;
  }

  test::TempDir dir;
  test::TempDir locks;
};

TEST_F(CliPorts, PortsListsEachPortOnALineAndAsJson) {
  const std::string root = FixtureRoot();
  const std::string by_id = root + "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  ProgramResult r = Cli({"ports"}, {"ZT_PORTS_ROOT=" + root});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "ttyUSB0\t" + by_id + "\tFT232R USB UART (0403:6001, A50285BI)\t0403:6001\tA50285BI\t-\n");
  r = Cli({"ports", "--json"}, {"ZT_PORTS_ROOT=" + root});
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json list = nlohmann::json::parse(r.out);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]["name"], "ttyUSB0");
  EXPECT_EQ(list[0]["stable_name"], by_id);
  EXPECT_EQ(list[0]["vendor_id"], "0403");
  EXPECT_EQ(list[0]["serial"], "A50285BI");
  EXPECT_TRUE(list[0]["holder"].is_null());
}

TEST_F(CliPorts, UdevRuleNamesTheDeviceOrRefusesWhatIsNoUsbPort) {
  const std::string root = FixtureRoot();
  ProgramResult r = Cli({"ports", "--udev-rule", "ttyUSB0", "--serial"}, {"ZT_PORTS_ROOT=" + root});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("SUBSYSTEM==\"tty\", ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6001\", "
                       "ATTRS{serial}==\"A50285BI\", ENV{ID_MM_DEVICE_IGNORE}=\"1\", GROUP=\"dialout\", "
                       "MODE=\"0660\"\n"),
            std::string::npos)
      << r.out;
  r = Cli({"ports", "--udev-rule", "ttyUSB7"}, {"ZT_PORTS_ROOT=" + root});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no serial port ttyUSB7"), std::string::npos) << r.err;
}

TEST_F(CliPorts, APortAnotherProgramHoldsIsNamedAndExitsWithTwo) {
  DtuSimProcess sim;
  ASSERT_TRUE(sim.Start()) << sim.error();
  // This test program holds the port's lock file.
  std::ofstream(locks.File("LCK.." + fs::path(sim.SlavePath()).filename().string())) << "      " << getpid() << "\n";
  const ProgramResult r = Cli([&] {
    auto args = PortArgs(sim.SlavePath());
    args.push_back("read");
    return args;
  }());
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, Utf8("提示: 串口被 "_gbk) + "zt_cli_tests (PID " + std::to_string(getpid()) + Utf8(") 占用"_gbk) + "\n");
  EXPECT_EQ(sim.ReceivedBytes(), "");
}

// Unplugged while the command waits for the unit's answer: the test pulls
// the unit once `command` went out; `stall` keeps the unit from finishing
// before (a query reply too big for the window runs to its time limit; a
// unit that stops answering after a wake-up and a login, or a few more).
struct UnplugCase {
  const char* name;
  std::vector<std::string> args;
  std::vector<std::string> stall;
  const char* command;
};

class CliUnplug : public CliPorts, public ::testing::WithParamInterface<UnplugCase> {};

// The shortest limit any of these commands waits on is 3 s: ending within 2
// is noticing the removal, with room for a loaded machine.
TEST_P(CliUnplug, TheCommandEndsBeforeAnyTimeLimitWithTheRemovedLineAndStatusOne) {
  const std::string link = dir.File("dtu");
  DtuSimProcess sim;
  std::vector<std::string> sim_args = {"--link", link};
  sim_args.insert(sim_args.end(), GetParam().stall.begin(), GetParam().stall.end());
  ASSERT_TRUE(sim.Start(sim_args)) << sim.error();
  auto args = PortArgs(link);
  args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
  ProgramResult r;
  std::chrono::steady_clock::time_point ended;
  std::thread cli([&] {
    r = Cli(args);
    ended = std::chrono::steady_clock::now();
  });
  const bool sent = sim.WaitForReceived(GetParam().command, 20s);
  const auto unplugged = std::chrono::steady_clock::now();
  sim.Stop();
  cli.join();
  ASSERT_TRUE(sent) << r.err;
  EXPECT_LT(ended - unplugged, 2s) << r.err;
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find(Utf8("串口 "_gbk) + link + Utf8(" 的设备已移除，串口已关闭"_gbk) + "\n"), std::string::npos)
      << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliUnplug,
    ::testing::Values(UnplugCase{"MidQuery", {"read"}, {"--huge-reply"}, "AT+GETPARAM?\r\n"},
                      UnplugCase{"MidSet", {"write", "--param", "APN=cmnet"}, {"--mute-after", "5"}, "AT+SETPARAM="},
                      UnplugCase{"MidProductionTest",
                                 {"prodtest", "--run-test", "--key", "ZR-3100 READY", "--csq", "15"},
                                 {"--mute-after", "2"},
                                 "AT+LOGIN="}),
    [](const ::testing::TestParamInfo<UnplugCase>& param) { return std::string(param.param.name); });

TEST_F(CliPorts, TheRunTestSurvivesAUnitThatReEnumeratesWhenItResets) {
  const std::string link = dir.File("dtu");
  DtuSimProcess sim;
  ASSERT_TRUE(sim.Start({"--link", link, "--reenumerate-on-reset"})) << sim.error();
  auto args = PortArgs(link);
  for (const char* arg : {"prodtest", "--run-test", "--key", "ZR-3100 READY", "--csq", "15"}) args.push_back(arg);
  const ProgramResult r = Cli(args);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string removed = Utf8("串口 "_gbk) + link + Utf8(" 的设备已移除，串口已关闭，等待设备重新连接...\n"_gbk);
  const std::string returned = Utf8("串口 "_gbk) + link + Utf8(" 的设备已重新连接，串口已重新打开\n"_gbk);
  ASSERT_NE(r.err.find(removed), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(returned, r.err.find(removed)), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(Utf8("查询信号强度成功，信号强度为[23]!\n"_gbk)), std::string::npos) << r.err;
}

}  // namespace
}  // namespace zt
