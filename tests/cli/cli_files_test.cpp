// zereltool-cli and the files around it: the query's work file, the
// catalogue, configuration files and section "TEST" of the settings.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "support/dtusim_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace zt {
namespace {

using test::ProgramResult;

class CliFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Start()) << sim.error();
    ASSERT_EQ(::mkdir(dir.File("tmp").c_str(), 0700), 0);
  }
  // Runs the tool in `folder` (made when missing) with $TMPDIR in dir/tmp.
  ProgramResult Cli(const std::vector<std::string>& args, const std::string& folder) {
    std::filesystem::create_directories(folder);
    std::vector<std::string> argv = {ZT_CLI_PATH, "-p", sim.SlavePath(), "-b", "115200"};
    argv.insert(argv.end(), args.begin(), args.end());
    test::ProgramSetup setup;
    setup.working_folder = folder;
    setup.environment = {"TMPDIR=" + dir.File("tmp")};
    setup.timeout = std::chrono::seconds(60);
    return test::RunProgram(argv, setup);
  }
  std::string Settings() const { return dir.File("tool_set.ini"); }

  test::TempDir dir;
  test::DtuSimProcess sim;
};

TEST_F(CliFiles, TheQueryNeverOpensAWorkFileFoundInTheCurrentFolder) {
  const std::string victim = dir.File("victim.txt");
  ASSERT_TRUE(test::WriteFileBytes(victim, "keep me"));
  const struct {
    const char* name;
    std::function<void(const std::string& planted)> plant;
    std::function<void()> check;
  } cases[] = {
      {"a link to another file", [&](const std::string& p) { ASSERT_EQ(::symlink(victim.c_str(), p.c_str()), 0); },
       [&] { EXPECT_EQ(test::ReadFileBytes(victim), "keep me"); }},
      {"a link to nothing", [&](const std::string& p) { ASSERT_EQ(::symlink(dir.File("made").c_str(), p.c_str()), 0); },
       [&] { EXPECT_FALSE(std::filesystem::exists(dir.File("made"))); }},
      {"a FIFO", [&](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, [] {}},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string folder = dir.File("cwd" + std::to_string(++n));
    std::filesystem::create_directories(folder);
    c.plant(folder + "/chlparm.dat");
    const ProgramResult r = Cli({"--settings", Settings(), "read"}, folder);
    EXPECT_EQ(r.status, 0) << c.name << "\n" << r.err;
    EXPECT_NE(r.out.find("\tSVRADDR\t10.0.0.10\n"), std::string::npos) << c.name << "\n" << r.out;
    c.check();
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("tmp"))) << c.name;  // the private folder went too
  }
}

TEST_F(CliFiles, ACatalogueThatCannotBeLoadedExitsWithTwoAndItsMessage) {
  const struct {
    const char* name;
    std::function<void(const std::string& file)> make;
    std::string message;
  } cases[] = {
      {"missing", [](const std::string&) {}, "找不到参数文件: "},
      {"a folder", [](const std::string& f) { ASSERT_EQ(::mkdir(f.c_str(), 0700), 0); }, "读入dtuparam.ini失败**"},
      {"a negative count", [](const std::string& f) { test::WriteFileBytes(f, "[group]\r\ncount=-1\r\n"); },
       "[group] count=-1: 组数无效"},
      {"an absurd count",
       [](const std::string& f) {
         test::WriteFileBytes(f, "[group]\r\ncount=1\r\n[group1]\r\nname=a\r\ncount=100000\r\n");
       },
       "[group1] count=100000: 每组最多64个参数"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string catalogue_dir = dir.File("catalogue" + std::to_string(++n));
    std::filesystem::create_directories(catalogue_dir);
    c.make(catalogue_dir + "/dtuparam_s3.ini");
    const ProgramResult r =
        Cli({"--settings", Settings(), "--catalogue-dir", catalogue_dir, "read"}, dir.File("cwd"));
    EXPECT_EQ(r.status, 2) << c.name << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << "\n" << r.err;
    EXPECT_EQ(r.err.find("查询参数成功!"), std::string::npos) << c.name;
    EXPECT_EQ(r.out, "") << c.name;
  }
}

TEST_F(CliFiles, AConfigurationFileThatCannotBeReadIsSaidSo) {
  ASSERT_EQ(::mkdir(dir.File("folder.ini").c_str(), 0700), 0);
  for (const char* name : {"missing.ini", "folder.ini"}) {
    const ProgramResult r = Cli({"--settings", Settings(), "write", "--config", dir.File(name)}, dir.File("cwd"));
    EXPECT_EQ(r.status, 2) << name;
    EXPECT_NE(r.err.find("提示: 无法读取参数配置文件\n"), std::string::npos) << name << "\n" << r.err;
    EXPECT_EQ(sim.ReceivedBytes().find("AT+SETPARAM"), std::string::npos);
  }
}

TEST_F(CliFiles, AProdtestWhoseChoicesCannotBeStoredSaysSoAndRuns) {
  const std::string settings = dir.File("gone/tool_set.ini");  // its folder is missing
  const ProgramResult r =
      Cli({"--settings", settings, "prodtest", "--run-test", "--key", "ZR-3100 READY", "--csq", "15"}, dir.File("cwd"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("保存测试设置失败!\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("运行测试成功!"), std::string::npos) << r.err;
}

TEST_F(CliFiles, AProdtestConfigurationPathThatGbkCannotHoldIsRefused) {
  const std::string file = dir.File("\xF0\x9F\x98\x80.ini");  // U+1F600 has no GBK form
  ASSERT_TRUE(test::WriteFileBytes(file, "[x]\r\n"));
  const ProgramResult r = Cli({"--settings", Settings(), "prodtest", "--config", file}, dir.File("cwd"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("错误提示: 参数文件路径含有GBK无法表示的字符\n"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(Settings()));  // nothing stored
  EXPECT_EQ(sim.ReceivedBytes(), "");
}

}  // namespace
}  // namespace zt
