// The simulator as the package installs it: <root>/usr/bin/zereltool-dtusim
// finds its default profile in <root>/usr/share/zereltool/, and --version
// names it as it was started.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_program.h"
#include "support/temp_dir.h"
#include "zereltool/version.h"

namespace zt {
namespace {

namespace fs = std::filesystem;
using test::ProgramResult;
using test::RunProgram;

TEST(InstalledDtuSim, FindsItsDefaultProfileInTheShareFolder) {
  test::TempDir dir;
  const fs::path root = dir.path();
  fs::create_directories(root / "usr/bin");
  fs::create_directories(root / "usr/share/zereltool");
  const std::string program = (root / "usr/bin/zereltool-dtusim").string();
  fs::copy_file(ZT_DTUSIM_PATH, program);

  // No profile anywhere: the default one is missing.
  EXPECT_EQ(RunProgram({program, "--stdin-lifeline"}).status, 2);

  fs::copy_file(fs::path(ZT_SOURCE_DATA_DIR) / "dtusim_s3.profile",
                root / "usr/share/zereltool/dtusim_s3.profile");
  // The lifeline (standard input) closes at once: it starts, says where it
  // answers, and ends.
  const ProgramResult r = RunProgram({program, "--stdin-lifeline"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("/dev/pts/", 0), 0u) << r.out;
  EXPECT_NE(r.err.find("S3 unit, version 3.1.2"), std::string::npos) << r.err;

  const ProgramResult version = RunProgram({program, "--version"});
  EXPECT_EQ(version.out, std::string("zereltool-dtusim ") + kVersion + "\n");
}

}  // namespace
}  // namespace zt
