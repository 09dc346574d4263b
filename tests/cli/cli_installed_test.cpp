// zereltool-cli as a package installs it: a copy in <root>/usr/bin/ with the
// catalogues in <root>/usr/share/zereltool/, run with its own home folder.
// The settings go to ~/.config/zereltool/, privately; nothing is written
// into the installed tree. And --version and paths of the build's program.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/file_listing.h"
#include "support/dtusim_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"
#include "text/profile_file.h"
#include "zereltool/version.h"

namespace zt {
namespace {

namespace fs = std::filesystem;
using namespace zt::literals;
using test::ProgramResult;
using test::RunProgram;

using test::Listing;
using test::ModeOf;

class InstalledCli : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path root = dir.path();
    fs::create_directories(root / "usr/bin");
    fs::create_directories(root / "usr/share/zereltool");
    fs::create_directories(root / "home");
    fs::create_directories(root / "work");
    fs::copy_file(ZT_CLI_PATH, root / "usr/bin/zereltool-cli");
    for (const char* name : {"dtuparam_s3.ini", "dtuparam_s2.ini"}) {
      fs::copy_file(fs::path(ZT_SOURCE_DATA_DIR) / name, root / "usr/share/zereltool" / name);
    }
  }
  // The installed program with HOME in the temporary folder, no
  // XDG_CONFIG_HOME, in a working folder of its own.
  ProgramResult Cli(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {dir.File("usr/bin/zereltool-cli")};
    argv.insert(argv.end(), args.begin(), args.end());
    test::ProgramSetup setup;
    setup.working_folder = dir.File("work");
    setup.environment = {"XDG_CONFIG_HOME", "HOME=" + dir.File("home")};
    return RunProgram(argv, setup);
  }
  std::string UserFolder() const { return dir.File("home/.config/zereltool"); }

  test::TempDir dir;
};

TEST(CliInfo, VersionAndPathsOfTheBuildsProgram) {
  const ProgramResult version = RunProgram({ZT_CLI_PATH, "--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("zereltool-cli ") + kVersion + "\n");
  const ProgramResult paths = RunProgram({ZT_CLI_PATH, "paths"});
  EXPECT_EQ(paths.status, 0) << paths.err;
  const std::string bin = fs::path(ZT_CLI_PATH).parent_path().string() + "/";
  EXPECT_NE(paths.out.find("layout: portable\n"), std::string::npos) << paths.out;
  EXPECT_NE(paths.out.find("tool_set.ini: " + bin + "tool_set.ini\n    beside the program\n"),
            std::string::npos)
      << paths.out;
  const ProgramResult given = RunProgram({ZT_CLI_PATH, "--settings", "/tmp/x.ini", "paths"});
  EXPECT_NE(given.out.find("tool_set.ini: /tmp/x.ini\n    --settings\n"), std::string::npos) << given.out;
}

TEST_F(InstalledCli, PathsNameTheUsersFolderAndTheShippedCatalogues) {
  const ProgramResult r = Cli({"paths"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("layout: installed\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("tool_set.ini: " + UserFolder() + "/tool_set.ini\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("dtuparam_s3.ini: " + dir.File("usr/share/zereltool/dtuparam_s3.ini") + "\n"),
            std::string::npos)
      << r.out;
}

TEST_F(InstalledCli, ReadsWithTheShippedCatalogueAndKeepsTheTestChoicesPrivately) {
  test::DtuSimProcess sim;
  ASSERT_TRUE(sim.Start()) << sim.error();
  const std::vector<std::string> tree_before = Listing(dir.File("usr"));

  const ProgramResult read = Cli({"-p", sim.SlavePath(), "read"});
  ASSERT_EQ(read.status, 0) << read.err;
  EXPECT_NE(read.out.find("APN"), std::string::npos);
  EXPECT_FALSE(fs::exists(UserFolder() + "/tool_set.ini"));  // read saves nothing

  const ProgramResult test =
      Cli({"-p", sim.SlavePath(), "prodtest", "--run-test", "--key", "ZR-3100 READY", "--csq", "15"});
  ASSERT_EQ(test.status, 0) << test.err;
  const std::string settings = UserFolder() + "/tool_set.ini";
  EXPECT_EQ(ProfileFile::Load(settings).Get("TEST", "RUN_INFO"), std::optional<std::string>("ZR-3100 READY"));
  EXPECT_EQ(ModeOf(settings), 0600u);
  EXPECT_EQ(ModeOf(UserFolder()), 0700u);
  EXPECT_EQ(Listing(dir.File("usr")), tree_before);

  // A settings file others may read is warned of in the run log, once.
  ASSERT_EQ(::chmod(settings.c_str(), 0644), 0);
  const ProgramResult warned = Cli({"-p", dir.File("no-such-port"), "read"});
  const std::string warning = "警告: 其他用户可以读取" + settings;
  const std::size_t at = warned.err.find(warning);
  EXPECT_NE(at, std::string::npos) << warned.err;
  EXPECT_EQ(warned.err.find(warning, at + 1), std::string::npos) << warned.err;
}

}  // namespace
}  // namespace zt
