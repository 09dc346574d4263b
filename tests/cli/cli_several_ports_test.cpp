// zereltool-cli prodtest on several ports at once, each with a simulated
// DTU of its own.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "cli/prodtest_command.h"
#include "support/dtusim_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace zt {
namespace {

using test::DtuSimProcess;
using test::ProgramResult;

const std::vector<std::string> kRunTest = {"prodtest", "--run-test", "--key", "ZR-3100 READY", "--csq", "15"};

class CliSeveralPorts : public ::testing::Test {
 protected:
  // Unit i on the port dir/dtu<i>, started with its own simulator arguments.
  void StartUnits(const std::vector<std::vector<std::string>>& sim_args) {
    for (std::size_t i = 0; i < sim_args.size(); ++i) {
      auto sim = std::make_unique<DtuSimProcess>();
      std::vector<std::string> args = {"--link", Port(i)};
      args.insert(args.end(), sim_args[i].begin(), sim_args[i].end());
      ASSERT_TRUE(sim->Start(args)) << sim->error();
      sims.push_back(std::move(sim));
    }
  }
  std::string Port(std::size_t i) const { return dir.File("dtu" + std::to_string(i)); }
  std::vector<std::string> Argv(const std::vector<std::string>& args, bool every_port = true) const {
    std::vector<std::string> argv = {ZT_CLI_PATH, "--settings", dir.File("tool_set.ini")};
    for (std::size_t i = 0; every_port && i < sims.size(); ++i) {
      argv.push_back("--port");
      argv.push_back(Port(i));
    }
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
  }
  ProgramResult Cli(const std::vector<std::string>& args, bool every_port = true) {
    test::ProgramSetup setup;
    setup.working_folder = dir.path();
    setup.timeout = std::chrono::seconds(90);
    return test::RunProgram(Argv(args, every_port), setup);
  }

  test::TempDir dir;
  std::vector<std::unique_ptr<DtuSimProcess>> sims;
};

TEST_F(CliSeveralPorts, EightUnitsRunAtOnceEachLineNamesItsPortAndOneFailureFailsTheCommand) {
  std::vector<std::vector<std::string>> units(8);
  units[5] = {"--csq", "9"};  // below the threshold
  StartUnits(units);
  const ProgramResult r = Cli(kRunTest);
  EXPECT_EQ(r.status, 1) << r.err;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const std::string label = "[dtu" + std::to_string(i) + "] ";
    EXPECT_NE(r.err.find(label + "连接成功!\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(label + (i == 5 ? "信号检测失败：期望最低信号 15, 当前信号 9\n" : "查询信号强度成功，信号强度为[23]!\n")),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(label + (i == 5 ? "结果: 失败, 通过的单元: 0\n" : "结果: 通过, 通过的单元: 1\n")),
              std::string::npos)
        << r.err;
    EXPECT_EQ(sims[i]->ReceivedBytes().find("AT+RESET\r"), sims[i]->ReceivedBytes().rfind("AT+RESET\r"));
  }
  // Every line belongs to a port.
  std::istringstream lines(r.err);
  for (std::string line; std::getline(lines, line);) EXPECT_TRUE(line.starts_with("[dtu")) << line;
}

TEST_F(CliSeveralPorts, FinishedUnitsTakeTheirOwnNumbersAndAllPassingExitsZero) {
  StartUnits({{}, {}});
  // The configuration file of such a unit, read from the first.
  ASSERT_EQ(Cli({"--port", Port(0), "read", "--export", dir.File("unit")}, false).status, 0);
  const ProgramResult r = Cli({"prodtest", "--config", dir.File("unit.ini"), "--finished", "--product",
                               "ZR3100F0001", "--imei", "86012345678911", "--product", "ZR3100F0002", "--imei",
                               "86012345678922"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(sims[0]->ReceivedBytes().find("AT+SETPARAM=SPPID,ZR3100F0001\r\nAT+SETPARAM=IMEINUMBER,86012345678911\r\n"),
            std::string::npos);
  EXPECT_NE(sims[1]->ReceivedBytes().find("AT+SETPARAM=SPPID,ZR3100F0002\r\nAT+SETPARAM=IMEINUMBER,86012345678922\r\n"),
            std::string::npos);
  EXPECT_NE(r.err.find("[dtu1] 产品编号: ZR3100F0002\n"), std::string::npos) << r.err;
}

TEST_F(CliSeveralPorts, AnInterruptStopsEveryPort) {
  StartUnits({{"--no-ready"}, {"--no-ready"}, {"--no-ready"}});
  std::vector<std::string> argv = {"/usr/bin/timeout", "--preserve-status", "-s", "INT", "2"};
  const std::vector<std::string> cli = Argv(kRunTest);
  argv.insert(argv.end(), cli.begin(), cli.end());
  const ProgramResult r = test::RunProgram(argv);
  EXPECT_EQ(r.status, 1) << r.err;
  for (const char* label : {"[dtu0] ", "[dtu1] ", "[dtu2] "}) {
    EXPECT_NE(r.err.find(std::string(label) + "等待配置测试线程结束...\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(std::string(label) + "配置测试结束!\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(std::string(label) + "结果: 停止, 通过的单元: 0\n"), std::string::npos) << r.err;
  }
}

TEST_F(CliSeveralPorts, APortsFileNamesThePortsAndBadListsAreRefusedBeforeAnyPortIsUsed) {
  StartUnits({{}, {}});
  ASSERT_TRUE(test::WriteFileBytes(dir.File("ports"), "# line 3\n" + Port(0) + "\r\n\n  " + Port(1) + "\n"));
  ASSERT_TRUE(test::WriteFileBytes(dir.File("escape"), Port(0) + "\n\x1b]0;X\x07\n"));
  std::vector<std::string> args = kRunTest;
  args.insert(args.end(), {"--ports-file", dir.File("ports")});
  const ProgramResult r = Cli(args, false);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("[dtu1] 结果: 通过, 通过的单元: 1\n"), std::string::npos) << r.err;

  const struct {
    std::vector<std::string> args;
    const char* error;
  } refused[] = {
      {{"--ports-file", dir.File("none")}, "cannot read the ports file"},
      {{"--port", Port(0), "--ports-file", dir.File("ports")}, "is given twice"},
      // A name that would reach the terminal as a command.
      {{"--ports-file", dir.File("escape")}, "names a port holding a control character"},
      {{"--port", Port(0), "--port", "/dev/x\x1b[2J"}, "a port name holds a control character"},
      {{"--port", Port(0), "--port", Port(1), "--finished", "--product", "ZR3100F0001", "--imei", "86012345678911"},
       "once per port"},
  };
  for (const auto& c : refused) {
    args = kRunTest;
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ProgramResult bad = Cli(args, false);
    EXPECT_EQ(bad.status, 2) << c.error;
    EXPECT_NE(bad.err.find(c.error), std::string::npos) << bad.err;
  }
  EXPECT_EQ(Cli({"--port", Port(0), "--port", Port(1), "read"}, false).status, 2);
  EXPECT_EQ(sims[0]->ReceivedBytes().find("AT+RESET"), sims[0]->ReceivedBytes().rfind("AT+RESET"));
}

TEST(PortLabel, IsTheNameAfterTheLastSlashOrARemotePortsWholeName) {
  EXPECT_EQ(cli::PortLabel("/dev/ttyUSB3"), "ttyUSB3");
  EXPECT_EQ(cli::PortLabel("COM4"), "COM4");
  EXPECT_EQ(cli::PortLabel("rfc2217://10.0.0.5:4001"), "rfc2217://10.0.0.5:4001");
}

}  // namespace
}  // namespace zt
