// zereltool-cli against the simulated DTU: configuration files (read
// --export, write --config) and the production test (prodtest).
#include <gtest/gtest.h>

#include "cli/cli_options.h"
#include "support/dtusim_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"
#include "text/profile_file.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::DtuSimProcess;
using test::ProgramResult;
using test::RunProgram;

const char* const kStopLines = "等待配置测试线程结束...\n配置测试结束!\n";

class CliProdtest : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> args = {}) { ASSERT_TRUE(sim.Start(args)) << sim.error(); }
  std::vector<std::string> Argv(const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {ZT_CLI_PATH, "--settings", dir.File("tool_set.ini"), "-p", sim.SlavePath()};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
  }
  ProgramResult Cli(const std::vector<std::string>& args, const std::string& input = {}) {
    return RunProgram(Argv(args), input);
  }
  // A configuration file of the unit as it is now, through read --export.
  std::string Export() {
    const ProgramResult r = Cli({"read", "--export", dir.File("unit")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("导出参数到配置文件成功, 文件路径是:" + dir.File("unit.ini") + "\n"), std::string::npos) << r.err;
    return dir.File("unit.ini");
  }
  std::size_t CountSent(std::string_view text) const {
    const std::string sent = sim.ReceivedBytes();
    std::size_t n = 0;
    for (std::size_t at = sent.find(text); at != std::string::npos; at = sent.find(text, at + text.size())) ++n;
    return n;
  }

  test::TempDir dir;
  DtuSimProcess sim;
};

// ---- configuration files ----------------------------------------------------

TEST_F(CliProdtest, ReadExportWritesTheFileOfTheModeInForce) {
  Start();
  const ProfileFile config = ProfileFile::Load(Export());
  // A GBK file keyed by group and display names.
  EXPECT_EQ(config.Get("网络参数"_gbk, "接入点名称"_gbk), "CMIOT");
  EXPECT_EQ(config.Get("运行参数"_gbk, "DTU通道运行模式"_gbk), "SIN");
  EXPECT_EQ(config.Get("系统参数"_gbk, "软件版本"_gbk), "3.1.2");
  EXPECT_TRUE(config.HasSection("通道1参数(单通道)"_gbk));
  EXPECT_FALSE(config.HasSection("通道2参数(多通道)"_gbk));
}

TEST_F(CliProdtest, ReadExportToAFolderThatDoesNotExistExitsWithTwo) {
  Start();
  const ProgramResult r = Cli({"read", "--export", dir.File("none/unit")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("提示: 打开保存参数配置文件失败\n"), std::string::npos) << r.err;
}

TEST_F(CliProdtest, WriteConfigImportsTheFileAndSetsEveryWritableParameter) {
  Start();
  const std::string file = Export();
  // Another unit of the line, configured from that file.
  sim.Stop();
  Start({"--value", "APN=OTHERAPN"});
  const ProgramResult r = Cli({"write", "--config", file});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("导入参数配置文件成功, 文件名:" + file + "\n"), std::string::npos) << r.err;
  EXPECT_EQ(CountSent("AT+SETPARAM=APN,CMIOT\r\n"), 1u);
  EXPECT_EQ(CountSent("AT+SETCHL=1\r\n"), 1u);
  EXPECT_EQ(CountSent("AT+SETPARAM=SPSV"), 0u);  // read-only parameters are not sent
  EXPECT_EQ(CountSent("AT+SAVEPARAM\r"), 1u);
}

TEST_F(CliProdtest, WriteConfigOfAnotherGenerationChangesNothing) {
  Start({"--profile", test::ShippedDataFile("dtusim_s2.profile")});
  const std::string file = Export();
  sim.Stop();
  Start();
  const ProgramResult r = Cli({"write", "--config", file});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("提示: 导入的配置 与当前程序版本 不匹配\n"), std::string::npos) << r.err;
  EXPECT_EQ(CountSent("AT+SETPARAM"), 0u);
}

// ---- prodtest ----------------------------------------------------------------

TEST_F(CliProdtest, AUnitPassesEndToEndAndTheChoicesAreStored) {
  Start();
  const std::string file = Export();
  const ProgramResult r =
      Cli({"prodtest", "--config", file, "--run-test", "--key", "ZR-3100 READY", "--csq", "15"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("配置测试开始!\n连接...\n连接成功!\n登录成功!\n参数配置...\n设置通道模式!\nDTU通道模式为[SIN].\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("配置比较正确!\n运行测试...\n"), std::string::npos);
  EXPECT_NE(r.err.find("查询信号强度成功，信号强度为[23]!\n"), std::string::npos);
  // A line without its own end runs on into the next, as in the window's box.
  EXPECT_TRUE(r.err.ends_with("产品编号：运行测试成功!\n配置测试成功!\n配置测试结束!\n")) << r.err;
  EXPECT_EQ(test::ReadFileBytes(dir.File("tool_set.ini")),
            "[TEST]\r\nPRODUCT=0\r\nMULTI_TEST=0\r\nWAIT_TIMEVAL=15\r\nCONFIG_TEST=1\r\nCONFIG_FILE=" + file +
                "\r\nRUN_TEST=1\r\nRUN_CSQ=15\r\nRUN_INFO=ZR-3100 READY\r\n");
}

TEST_F(CliProdtest, AFailedUnitExitsWithOne) {
  Start({"--csq", "99"});
  const ProgramResult r = Cli({"prodtest", "--run-test", "--key", "ZR-3100 READY", "--csq", "15"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.err.ends_with("信号检测失败：期望最低信号 15, 当前信号 99\n\n配置测试结束!\n")) << r.err;
}

TEST_F(CliProdtest, RefusedSettingsExitWithTwoBeforeThePortIsUsed) {
  Start();
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"prodtest"}, "错误提示: 没有选择配置测试项\n"},
      {{"prodtest", "--run-test", "--csq", "5"}, "错误提示: 请填写关键字符串\n"},
      {{"prodtest", "--run-test", "--key", "READY", "--csq", "32"}, "错误提示: 输入错误, CSQ的范围是0~31\n"},
      {{"prodtest", "--run-test", "--key", "READY", "--csq", "-1"}, "错误提示: 输入错误, CSQ的范围是0~31\n"},
      {{"prodtest", "--config", dir.File("missing.ini")}, "错误提示: 请选择参数文件\n"},
      {{"prodtest", "--config", dir.path(), "--finished", "--product", "abc", "--imei", "12345678901234"},
       "提示: 输入产品编号不合法\n"},
      // A character GBK cannot hold is refused as a forbidden one.
      {{"prodtest", "--config", dir.path(), "--finished", "--product", "P\xF0\x9F\x98\x80", "--imei", "12345678901234"},
       "提示: 输入产品编号不合法\n"},
      {{"prodtest", "--config", dir.path(), "--finished", "--product", "P1", "--imei", "123"},
       "提示: 输入的IMEI号不合法\n"},
  };
  for (const auto& c : cases) {
    const ProgramResult r = Cli(c.args);
    EXPECT_EQ(r.status, 2) << c.args.back();
    EXPECT_EQ(r.err, c.message) << c.args.back();
  }
  EXPECT_EQ(sim.ReceivedBytes(), "");
  EXPECT_EQ(test::ReadFileBytes(dir.File("tool_set.ini")), "");  // nothing stored either
}

TEST_F(CliProdtest, AFinishedUnitTakesItsNumbersFromTheCommandLine) {
  Start();
  const std::string file = Export();
  const ProgramResult r =
      Cli({"prodtest", "--config", file, "--finished", "--product", "ZR3100F0001", "--imei", "86012345678911"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("登录成功!\n产品编号: ZR3100F0001\n参数配置...\n"), std::string::npos) << r.err;
  EXPECT_EQ(CountSent("AT+SETPARAM=SPPID,ZR3100F0001\r\nAT+SETPARAM=IMEINUMBER,86012345678911\r\n"), 1u);
}

TEST_F(CliProdtest, AFinishedUnitIsAskedOnStandardInputWithTheDialogsChecks) {
  Start();
  const std::string file = Export();
  // A product number in lower case is refused and asked again; an empty
  // IMEI answer takes the preset one.
  const ProgramResult r = Cli({"prodtest", "--config", file, "--finished"}, "zr3100\n86012345678911\nZR3100G0001\n\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("提示: 输入产品编号不合法\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("产品编号: ZR3100G0001\n"), std::string::npos);
  EXPECT_EQ(CountSent("AT+SETPARAM=SPPID,ZR3100G0001\r\nAT+SETPARAM=IMEINUMBER,12345678901234\r\n"), 1u);
}

TEST_F(CliProdtest, TheEndOfStandardInputClosesTheQuestion) {
  Start();
  const std::string file = Export();
  const ProgramResult r = Cli({"prodtest", "--config", file, "--finished"});
  // The unit keeps the numbers it had (none): the product number goes out
  // empty, and the unit reports an empty value as NULL.
  EXPECT_EQ(r.err.find("产品编号: "), std::string::npos);
  EXPECT_EQ(CountSent("AT+SETPARAM=SPPID,\r\n"), 1u);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(r.err.ends_with("校验产品编号失败\n配置测试结束!\n")) << r.err;
}

TEST_F(CliProdtest, UnitsEndsAContinuousRun) {
  Start();
  const ProgramResult r = Cli({"prodtest", "--run-test", "--key", "ZR-3100 READY", "--csq", "15", "--continuous",
                               "--wait", "0", "--units", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("配置测试成功!\n等待连续配置测试时间间隔...!\n连接...\n"), std::string::npos) << r.err;
  EXPECT_TRUE(r.err.ends_with("配置测试成功!\n配置测试结束!\n"));
  EXPECT_EQ(CountSent("AT+RESET\r"), 2u);
}

TEST_F(CliProdtest, AnInterruptStopsTheRunAsStopDoes) {
  Start({"--no-ready"});
  // SIGINT after two seconds, while the tool waits for the key string.
  std::vector<std::string> argv = {"timeout", "--preserve-status", "-s", "INT", "2"};
  const std::vector<std::string> cli = Argv({"prodtest", "--run-test", "--key", "ZR-3100 READY"});
  argv.insert(argv.end(), cli.begin(), cli.end());
  argv[0] = "/usr/bin/timeout";
  const ProgramResult r = RunProgram(argv);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(r.err.ends_with(kStopLines)) << r.err;
  EXPECT_EQ(r.err.find("运行测试没有检测到关键字符串"), std::string::npos);
}

// ---- the command line --------------------------------------------------------

TEST(CliProdtestOptions, OptionsOfTheTestBelongToIt) {
  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"read", "--run-test"}, "belong to prodtest"},
      {{"write", "--param", "A=1", "--units", "2"}, "belong to prodtest"},
      {{"read", "--config", "f.ini"}, "--config belongs to write and prodtest"},
      {{"prodtest", "--product", "P", "--imei", "12345678901234"},
       "--product and --imei belong to --finished"},
      {{"prodtest", "--finished", "--product", "P"}, "--product and --imei go together"},
      {{"prodtest", "--run-test", "--key", "K", "--csq", "3", "--finished"}, ""},
      {{"read", "--export", "x"}, ""},
      {{"write", "--config", "x.ini"}, ""},
      {{"write", "--config", "x.ini", "--partial"}, ""},
      {{"write", "--param", "A=1", "--partial"}, "--partial belongs to write --config"},
      {{"prodtest", "--config", "x.ini", "--partial"}, "--partial belongs to write --config"},
      // A speed too large for the driver is refused, not cut to another one.
      {{"-b", "4294967295", "read"}, ""},
      {{"-b", "4294967296", "read"}, "--baud needs a positive number"},
      {{"-b", "12345678901234", "read"}, "--baud needs a positive number"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> words = {"zereltool-cli"};
    words.insert(words.end(), c.args.begin(), c.args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    const cli::ParseResult r = cli::ParseOptions(static_cast<int>(argv.size()), argv.data());
    if (c.error.empty()) {
      EXPECT_EQ(r.error, "") << c.args[0];
    } else {
      EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
    }
  }
}

}  // namespace
}  // namespace zt
