// zereltool-cli against the simulated DTU with hostile input and a hostile
// unit: no value carries a line end (or any control byte) to the wire, no
// control byte from the unit reaches the terminal raw, a zero byte in a reply
// hides nothing, and a truncated configuration file does not blank the unit.
#include <gtest/gtest.h>

#include <algorithm>

#include "params/channel_modes.h"
#include "support/dtusim_fixture.h"
#include "support/run_program.h"
#include "support/sim_config_file.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace std::string_literals;
using namespace zt::literals;
using test::DtuSimProcess;
using test::ProgramResult;

class CliSafety : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> args = {}) { ASSERT_TRUE(sim.Start(args)) << sim.error(); }
  // The tool runs in a folder of its own: its work files stay there.
  ProgramResult Cli(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {ZT_CLI_PATH, "--settings", dir.File("tool_set.ini"), "-p", sim.SlavePath()};
    argv.insert(argv.end(), args.begin(), args.end());
    test::ProgramSetup setup;
    setup.working_folder = work.path();
    return test::RunProgram(argv, setup);
  }
  std::string ConfigFile(const std::string& name, const std::map<std::string, std::string>& values = {}) {
    const std::string file =
        test::MakeConfigFile(dir.File(name), FileVariant::kS3, kModeSin, "dtusim_s3.profile", values);
    EXPECT_FALSE(file.empty()) << "the configuration file could not be made";
    return file;
  }
  std::size_t CountSent(std::string_view text) const {
    const std::string sent = sim.ReceivedBytes();
    std::size_t n = 0;
    for (std::size_t at = sent.find(text); at != std::string::npos; at = sent.find(text, at + text.size())) {
      ++n;
    }
    return n;
  }

  test::TempDir dir;
  test::TempDir work;
  DtuSimProcess sim;
};

// A control byte other than those the output writes itself: LF ends its
// lines, and the table separates its columns with tabs.
bool HasRawControlByte(std::string_view text, std::string_view own = "\n") {
  return std::any_of(text.begin(), text.end(), [&](char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b < 0x20 && own.find(c) == std::string_view::npos) || b == 0x7F;
  });
}

// ---- input that would become commands ----------------------------------------

TEST_F(CliSafety, AValueWithAControlByteIsRefusedAndNothingOfItIsSent) {
  Start();
  const std::string nul_file = ConfigFile("nul", {{"APN", "CMIOT\0,AT+RESET"s}});
  const std::string esc_file = ConfigFile("esc", {{"APN", "CM\x1BIOT"}});
  const std::string good_file = ConfigFile("good");
  const struct {
    std::vector<std::string> args;
    std::string refusal;
  } cases[] = {
      {{"write", "--param", "APN=b\nAT+USEDEFAULT=MUL"}, "接入点名称参数配置不正确\n"},
      {{"write", "--param", "APN=a\rAT+RESET"}, "接入点名称参数配置不正确\n"},
      {{"write", "--param", "DEVNAME=x\x7F"}, "设备名称参数配置不正确\n"},
      {{"write", "--config", nul_file},
       "提示: 配置文件中 [网络参数] 接入点名称 的值含有控制字符, 文件未导入\n"},
      {{"write", "--config", esc_file},
       "提示: 配置文件中 [网络参数] 接入点名称 的值含有控制字符, 文件未导入\n"},
      {{"prodtest", "--config", good_file, "--finished", "--product", "P1\rAT+RESET", "--imei",
        "86012345678901"},
       "提示: 输入产品编号不合法\n"},
  };
  for (const auto& c : cases) {
    const ProgramResult r = Cli(c.args);
    EXPECT_EQ(r.status, 2) << c.args[2] << r.err;
    EXPECT_TRUE(r.err.ends_with(c.refusal)) << r.err;
  }
  EXPECT_EQ(CountSent("AT+SETPARAM"), 0u);
  EXPECT_EQ(CountSent("AT+USEDEFAULT"), 0u);
  EXPECT_EQ(CountSent("AT+RESET"), 0u);
  EXPECT_EQ(CountSent("AT+SAVEPARAM"), 0u);
}

// ---- what the unit reports, on the terminal ------------------------------------

TEST_F(CliSafety, ControlBytesFromTheUnitReachTheTerminalEscaped) {
  Start({"--value", "APN=\x1B]0;T\x07\x1B[2J", "--value", "1:SVRADDR=10.0.0.1\x1B[31m", "--ready",
         "ZR-3100 \x1B]0;x\x07READY"});
  ProgramResult r = Cli({"read"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("网络参数\t接入点名称\tAPN\t\\x1B]0;T\\x07\\x1B[2J\n"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("ch1:SVRADDR=10.0.0.1\\x1B[31m\n"), std::string::npos) << r.err;
  EXPECT_FALSE(HasRawControlByte(r.out, "\t\n"));
  EXPECT_FALSE(HasRawControlByte(r.err));

  // The production test shows what the unit prints while it starts.
  r = Cli({"prodtest", "--run-test", "--key", "READY", "--csq", "15"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("ZR-3100 \\x1B]0;x\\x07READY"), std::string::npos) << r.err;
  EXPECT_FALSE(HasRawControlByte(r.err));
}

// ---- a zero byte in a reply ------------------------------------------------------

TEST_F(CliSafety, AZeroByteInAValueHidesNothingAndIsShownEscaped) {
  // The shipped unit with a zero byte in a base value and in a channel value.
  std::string profile = test::ReadFileBytes(test::ShippedDataFile("dtusim_s3.profile"));
  for (const std::string_view line : {"APN=CMIOT", "SVRADDR=10.0.0.10"}) {
    const std::size_t at = profile.find(line);
    ASSERT_NE(at, std::string::npos) << line;
    profile.insert(at + line.size() - 3, 1, '\0');
  }
  ASSERT_TRUE(test::WriteFileBytes(dir.File("nul.profile"), profile));
  Start({"--profile", dir.File("nul.profile")});
  const ProgramResult r = Cli({"read"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("网络参数\t接入点名称\tAPN\tCM\\x00IOT\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\tSVRADDR\t10.0.0\\x00.10\n"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("ch1:SVRADDR=10.0.0\\x00.10\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("查询参数成功!\n"), std::string::npos) << r.err;
}

// ---- an output that cannot be written --------------------------------------------

// A full disk behind standard output: what the command printed is lost, and
// the command says so instead of ending with 0.
TEST_F(CliSafety, AStandardOutputThatCannotBeWrittenIsAFailure) {
  Start();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--settings", dir.File("tool_set.ini"), "-p", sim.SlavePath(), "read"},
        std::vector<std::string>{"ports", "--json"},  // "[]" with no port
        std::vector<std::string>{"records", "--records-file", dir.File("none.sqlite3"), "stats"},
        std::vector<std::string>{"--help"}}) {
    std::vector<std::string> argv = {"/bin/sh", "-c", "exec \"$0\" \"$@\" >/dev/full", ZT_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    const ProgramResult r = test::RunProgram(argv);
    EXPECT_EQ(r.status, 2) << args.back() << ": " << r.err;
    EXPECT_NE(r.err.find("zereltool-cli: standard output could not be written\n"), std::string::npos)
        << r.err;
  }
}

// ---- a truncated configuration file ------------------------------------------------

class CliTruncatedConfig : public CliSafety {
 protected:
  // The first half of the lines of a whole file of the unit, with APN present
  // but empty.
  std::string HalfFile() {
    const std::string whole = test::ReadFileBytes(ConfigFile("whole"));
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < whole.size();) {
      const std::size_t end = whole.find("\r\n", at);
      lines.push_back(whole.substr(at, end - at));
      at = end + 2;
    }
    const std::string apn_entry = std::string("接入点名称="_gbk);
    std::string half;
    for (std::size_t k = 0; k < lines.size() / 2; ++k) {
      half += (lines[k].starts_with(apn_entry) ? apn_entry : lines[k]) + "\r\n";
    }
    EXPECT_NE(half.find(apn_entry + "\r\n"), std::string::npos);
    const std::string path = dir.File("half.ini");
    EXPECT_TRUE(test::WriteFileBytes(path, half));
    return path;
  }
};

TEST_F(CliTruncatedConfig, IsRefusedNamingTheMissingEntriesAndNothingIsSent) {
  Start();
  const ProgramResult r = Cli({"write", "--config", HalfFile()});
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find("zereltool-cli: the configuration file lacks "), std::string::npos) << r.err;
  // The first writable parameter past the cut comes first.
  EXPECT_NE(r.err.find("lacks 24 entries that write would send as empty values: [注册包参数] 身份串内容, "),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("--partial"), std::string::npos) << r.err;
  EXPECT_EQ(CountSent("AT+SETPARAM"), 0u);
  EXPECT_EQ(CountSent("AT+SAVEPARAM"), 0u);
}

TEST_F(CliTruncatedConfig, WithPartialSendsOnlyTheEntriesTheFileHolds) {
  Start();
  const ProgramResult r = Cli({"write", "--config", HalfFile(), "--partial"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("配置文件中缺少 "), std::string::npos) << r.err;
  EXPECT_EQ(CountSent("AT+SETPARAM=APN,\r\n"), 1u);  // present and empty: sent empty
  EXPECT_EQ(CountSent("AT+SETPARAM=UBAUD,"), 1u);
  EXPECT_EQ(CountSent("AT+SETPARAM=SVRADDR"), 0u);
  EXPECT_EQ(CountSent("AT+SETPARAM=SVRPORT"), 0u);
  EXPECT_EQ(CountSent("AT+SAVEPARAM\r"), 1u);
}

}  // namespace
}  // namespace zt
