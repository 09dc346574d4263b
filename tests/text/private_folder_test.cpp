// The private folder of the atomic writer: the installed tool's
// ~/.config/zereltool/ is made on the first save, and only its owner may
// read what is written there.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/temp_dir.h"
#include "text/atomic_file.h"

namespace zt {
namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

class PrivateFolder : public ::testing::Test {
 protected:
  void TearDown() override { SetPrivateFolder(""); }
  test::TempDir dir;
};

TEST_F(PrivateFolder, TheFirstWriteMakesTheFoldersAndAFileOnlyItsOwnerReads) {
  const std::string folder = dir.File("home/.config/zereltool");
  SetPrivateFolder(folder + "/");
  ASSERT_TRUE(WriteFileAtomically(folder + "/tool_set.ini", "[SET]\r\n"));
  EXPECT_EQ(test::ReadFileBytes(folder + "/tool_set.ini"), "[SET]\r\n");
  EXPECT_EQ(ModeOf(folder + "/tool_set.ini"), 0600u);
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(ModeOf(dir.File("home/.config")), 0700u);
}

TEST_F(PrivateFolder, AReplacedFileKeepsItsMode) {
  SetPrivateFolder(dir.path());
  const std::string path = dir.File("cmd.ini");
  ASSERT_TRUE(test::WriteFileBytes(path, "old"));
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileAtomically(path, "new"));
  EXPECT_EQ(ModeOf(path), 0640u);
}

TEST_F(PrivateFolder, OtherFoldersAreNeitherMadeNorPrivate) {
  SetPrivateFolder(dir.File("private"));
  EXPECT_FALSE(WriteFileAtomically(dir.File("other/tool_set.ini"), "x"));
  EXPECT_EQ(ModeOf(dir.File("other")), 0u);
  // A sub-folder of the private folder is not the private folder.
  EXPECT_FALSE(WriteFileAtomically(dir.File("private/sub/tool_set.ini"), "x"));
  const mode_t mask = ::umask(022);
  ASSERT_TRUE(WriteFileAtomically(dir.File("plain.ini"), "x"));
  ::umask(mask);
  EXPECT_EQ(ModeOf(dir.File("plain.ini")), 0644u);
}

}  // namespace
}  // namespace zt
