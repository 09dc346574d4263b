// The query's work file: a private file in a private folder, gone after use.
#include "worker/channel_work_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/temp_dir.h"

namespace zt {
namespace {

bool IsEmptyFolder(const std::string& path) { return std::filesystem::is_empty(path); }

TEST(ChannelWorkFile, GivesBackEveryByteAndLeavesNothingBehind) {
  test::TempDir dir;
  const std::string text("ID=1\r\nSVRADDR=10.0.0.10\r\nNUL\0IN\r\nOK", 36);
  std::string back;
  EXPECT_EQ(RoundTripWorkFile(dir.path(), text, back), WorkFileResult::kOk);
  EXPECT_EQ(back, text);
  EXPECT_TRUE(IsEmptyFolder(dir.path()));
}

TEST(ChannelWorkFile, AFolderThatCannotBeMadeIsACreateFailure) {
  test::TempDir dir;
  std::string back = "untouched";
  EXPECT_EQ(RoundTripWorkFile(dir.File("missing"), "ID=1\r\n", back), WorkFileResult::kCannotCreate);
  EXPECT_TRUE(IsEmptyFolder(dir.path()));
}

TEST(ChannelWorkFile, WithoutAFolderOfItsOwnItGoesUnderTmpdir) {
  test::TempDir dir;
  const char* saved = std::getenv("TMPDIR");
  const std::string previous = saved != nullptr ? saved : "";
  ::setenv("TMPDIR", dir.path().c_str(), 1);
  const std::string parent = DefaultWorkParent();
  std::string back;
  const WorkFileResult result = RoundTripWorkFile("", "ID=1\r\n", back);
  if (saved != nullptr) {
    ::setenv("TMPDIR", previous.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  EXPECT_EQ(parent, dir.path());
  EXPECT_EQ(result, WorkFileResult::kOk);
  EXPECT_EQ(back, "ID=1\r\n");
  EXPECT_TRUE(IsEmptyFolder(dir.path()));
}

}  // namespace
}  // namespace zt
