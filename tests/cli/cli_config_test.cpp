// zereltool-cli against the simulated DTU: read, write, defaults, restart.
#include <gtest/gtest.h>

#include "cli/cli_options.h"
#include "cli/parameter_table.h"
#include "support/dtusim_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "text/gbk.h"

namespace zt {
namespace {

using test::DtuSimProcess;
using test::ProgramResult;
using test::RunProgram;

class CliAgainstDtu : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> args = {}) { ASSERT_TRUE(sim.Start(args)) << sim.error(); }
  ProgramResult Cli(std::vector<std::string> args) {
    std::vector<std::string> argv = {ZT_CLI_PATH, "--settings", dir.File("tool_set.ini"), "-p", sim.SlavePath(),
                                     "-b", "115200"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
  }
  // The value column of the table row of a short name (first match).
  static std::string ValueOf(const std::string& table, const std::string& short_name) {
    const std::string key = "\t" + short_name + "\t";
    const std::size_t at = table.find(key);
    if (at == std::string::npos) return "<absent>";
    const std::size_t start = at + key.size();
    return table.substr(start, table.find('\n', start) - start);
  }

  test::TempDir dir;
  DtuSimProcess sim;
};

TEST_F(CliAgainstDtu, ReadPrintsTheRunLogAndTheTableOfTheModeInForce) {
  Start();
  const ProgramResult r = Cli({"read"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("连接DTU...\n连接DTU成功!  \n正在登录DTU...\n登录DTU成功\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("当前通道模式已经变为：单通道!\n"), std::string::npos);
  EXPECT_NE(r.out.find("网络参数\t接入点名称\tAPN\tCMIOT\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("通道1参数(单通道)\t"), std::string::npos);
  EXPECT_EQ(r.out.find("(多通道)"), std::string::npos);  // channel groups of other modes are left out
  EXPECT_EQ(ValueOf(r.out, "CFGPWD"), "******");         // passwords are masked
  EXPECT_EQ(r.out.find("常用配置参数"), std::string::npos);  // the common group is not printed
}

TEST_F(CliAgainstDtu, WriteSetsExactlyTheGivenParameters) {
  Start();
  const ProgramResult r = Cli({"write", "--param", "APN=cmnet", "--param", "PROTO=UDP", "--param", "UPARITY=偶校验"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string wire = sim.ReceivedBytes();
  const std::string sets = wire.substr(wire.find("AT+SETPARAM") == std::string::npos ? wire.size() : wire.find("AT+SETPARAM"));
  EXPECT_EQ(sets,
            "AT+SETPARAM=UPARITY,2\r\nAT+SETPARAM=APN,cmnet\r\nAT+SETCHL=1\r\nAT+SETPARAM=PROTO,1\r\nAT+SAVEPARAM\r");
  EXPECT_NE(r.err.find("设置参数成功!"), std::string::npos);
}

TEST_F(CliAgainstDtu, ARefusedValueChangesNothingOnTheDtu) {
  Start();
  const ProgramResult r = Cli({"write", "--param", "APN=cmnet", "--param", "DNS1=127.0.0.1"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("参数配置不正确"), std::string::npos) << r.err;
  EXPECT_EQ(sim.ReceivedBytes().find("AT+SETPARAM"), std::string::npos);
}

TEST_F(CliAgainstDtu, AChannelKeywordOfSeveralGroupsNeedsItsChannel) {
  Start({"--report-mode", "MUL"});
  ProgramResult r = Cli({"-m", "MUL", "write", "--param", "SVRPORT=6000"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("SVRPORT@N"), std::string::npos) << r.err;
  r = Cli({"-m", "MUL", "write", "--param", "SVRPORT@2=6000"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(sim.ReceivedBytes().find("AT+SETCHL=2\r\nAT+SETPARAM=SVRPORT,6000\r\nAT+SETCHL=3\r\n"), std::string::npos);
}

TEST_F(CliAgainstDtu, DefaultsRestoresTheModeAndQueriesAgain) {
  Start();
  const ProgramResult r = Cli({"-m", "BAK", "defaults"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(sim.ReceivedBytes().find("AT+USEDEFAULT=BAK\r\nAT+GETPARAM?\r\n"), std::string::npos);
  EXPECT_NE(r.err.find("当前通道模式已经变为：主备通道!"), std::string::npos) << r.err;
}

TEST_F(CliAgainstDtu, RestartReportsItsAcknowledgement) {
  Start();
  const ProgramResult r = Cli({"restart"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("发送重启指令成功, DTU将重启! \n"), std::string::npos) << r.err;  // trailing blank kept
}

TEST_F(CliAgainstDtu, AFailedDtuOperationExitsWithOne) {
  Start({"--password", "other1"});
  const ProgramResult r = Cli({"read"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("登录DTU失败***"), std::string::npos);
  EXPECT_EQ(r.out, "");
}

TEST(Cli, APortThatWillNotOpenExitsWithTwo) {
  test::TempDir dir;
  const ProgramResult r =
      RunProgram({ZT_CLI_PATH, "--settings", dir.File("tool_set.ini"), "-p", dir.File("no-such-tty"), "read"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("打开串口失败: 串口不存在!"), std::string::npos) << r.err;
}

TEST(Cli, BadUsageExitsWithTwoAndHelpDocumentsTheCommands) {
  EXPECT_EQ(RunProgram({ZT_CLI_PATH}).status, 2);
  EXPECT_EQ(RunProgram({ZT_CLI_PATH, "frobnicate"}).status, 2);
  EXPECT_EQ(RunProgram({ZT_CLI_PATH, "-m", "XYZ", "read"}).status, 2);
  const ProgramResult help = RunProgram({ZT_CLI_PATH, "--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* word : {"read", "write", "defaults", "restart", "prodtest", "--catalogue-dir", "exit status"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
}

TEST(CliParamEdit, ParsesKeysChannelsAndRefusesBadForms) {
  std::string error;
  auto e = cli::ParseParamEdit("SVRPORT@2=6000", error);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->key, "SVRPORT");
  EXPECT_EQ(e->channel, 2);
  EXPECT_EQ(e->value, "6000");
  e = cli::ParseParamEdit("APN=a=b", error);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->value, "a=b");
  EXPECT_FALSE(cli::ParseParamEdit("=x", error));
  EXPECT_FALSE(cli::ParseParamEdit("APN", error));
  EXPECT_FALSE(cli::ParseParamEdit("K@x=1", error));
}

}  // namespace
}  // namespace zt
