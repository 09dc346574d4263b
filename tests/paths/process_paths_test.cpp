// The running process's side: the machine's answers, and what an installed
// layout puts in force (the private folder, the settings file's warning).
#include "paths/process_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "params/catalogue_source.h"
#include "support/temp_dir.h"
#include "text/atomic_file.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// An installed tree in a temporary folder: root/usr/bin/ and
// root/usr/share/zereltool/, with the user's home beside it.
class InstalledTree : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* d : {"/usr", "/usr/bin", "/usr/share", "/usr/share/zereltool", "/home"}) {
      ASSERT_EQ(::mkdir((dir.path() + d).c_str(), 0755), 0) << d;
    }
    ::setenv("HOME", (dir.path() + "/home").c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("XDG_DATA_HOME", (dir.path() + "/data").c_str(), 1);
  }
  void TearDown() override {
    SetPrivateFolder("");
    SetShippedCatalogueFolder("", "");
    if (saved_home_) ::setenv("HOME", saved_home_->c_str(), 1);
  }
  std::string Bin() const { return dir.path() + "/usr/bin/"; }
  std::string UserFolder() const { return dir.path() + "/home/.config/zereltool/"; }

  test::TempDir dir;
  std::optional<std::string> saved_home_ =
      std::getenv("HOME") ? std::optional<std::string>(std::getenv("HOME")) : std::nullopt;
};

TEST_F(InstalledTree, TheMachineSaysItIsInstalledAndWhereTheUsersFilesGo) {
  const FileLocations f = LocateFiles(PathInputsFor(Bin(), std::nullopt, std::nullopt));
  EXPECT_EQ(f.layout, FileLayout::kInstalled) << f.layout_why;
  EXPECT_EQ(f.settings.path, UserFolder() + "tool_set.ini");
  EXPECT_EQ(f.shipped_folder, dir.path() + "/usr/share/zereltool/");
  EXPECT_EQ(f.data_folder.path, dir.path() + "/data/zereltool/");
}

TEST_F(InstalledTree, TheFirstSaveMakesAPrivateFolderAndFile) {
  const FileLocations f = LocateFiles(PathInputsFor(Bin(), std::nullopt, std::nullopt));
  EXPECT_EQ(ApplyFileLocations(f), "");  // no settings file yet: nothing to warn of
  ASSERT_TRUE(WriteFileAtomically(f.settings.path, "[SET]\r\nCOM=COM3\r\n"));
  EXPECT_EQ(test::ReadFileBytes(f.settings.path), "[SET]\r\nCOM=COM3\r\n");
  EXPECT_EQ(ModeOf(f.settings.path), 0600u);
  EXPECT_EQ(ModeOf(UserFolder()), 0700u);
  EXPECT_EQ(ModeOf(dir.path() + "/home/.config"), 0700u);
}

TEST_F(InstalledTree, ASettingsFileOthersMayReadIsWarnedOf) {
  const FileLocations f = LocateFiles(PathInputsFor(Bin(), std::nullopt, std::nullopt));
  ASSERT_EQ(::mkdir((dir.path() + "/home/.config").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(UserFolder().c_str(), 0700), 0);
  ASSERT_TRUE(test::WriteFileBytes(f.settings.path, "[SET]\r\n"));
  ASSERT_EQ(::chmod(f.settings.path.c_str(), 0644), 0);
  EXPECT_EQ(ApplyFileLocations(f),
            std::string("警告: 其他用户可以读取"_gbk) + f.settings.path +
                std::string("(其中保存着登录密码), 可用 chmod 600 改为只有自己可读"_gbk));
  ASSERT_EQ(::chmod(f.settings.path.c_str(), 0600), 0);
  EXPECT_EQ(ApplyFileLocations(f), "");
}

TEST_F(InstalledTree, APortableLayoutWarnsOfNothingAndMakesNothingPrivate) {
  // tool_set.ini beside the program makes the tree portable.
  ASSERT_TRUE(test::WriteFileBytes(Bin() + "tool_set.ini", "[SET]\r\n"));
  ASSERT_EQ(::chmod((Bin() + "tool_set.ini").c_str(), 0644), 0);
  const FileLocations f = LocateFiles(PathInputsFor(Bin(), std::nullopt, std::nullopt));
  ASSERT_EQ(f.layout, FileLayout::kPortable);
  EXPECT_EQ(ApplyFileLocations(f), "");
  EXPECT_FALSE(WriteFileAtomically(UserFolder() + "tool_set.ini", "x"));
}

}  // namespace
}  // namespace zt
