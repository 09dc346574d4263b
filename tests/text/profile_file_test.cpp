#include "text/profile_file.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <ctime>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "text/gbk.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

TEST(ProfileRead, LooksUpSectionsAndKeysWithoutRegardToCase) {
  TempDir dir;
  const std::string path = dir.File("tool_set.ini");
  WriteFileBytes(path, "[ Set ]\r\nCom = COM3 \r\nbaud=9600\r\n");
  EXPECT_EQ(ProfileReadString(path, "SET", "COM"), "COM3");
  EXPECT_EQ(ProfileReadString(path, "set", "BAUD"), "9600");
  EXPECT_EQ(ProfileReadString(path, "SET", "missing", "dflt"), "dflt");
  EXPECT_EQ(ProfileReadString(path, "OTHER", "COM", "dflt"), "dflt");
}

TEST(ProfileRead, GbkNamesCompareTheirSecondByteExactly) {
  // 乗 (81 5C) and 乗 with a different second byte that is an ASCII letter.
  const std::string upper = "\x81" "A";
  const std::string lower = "\x81" "a";
  const ProfileFile file = ProfileFile::Parse("[" + upper + "]\r\nk=1\r\n");
  EXPECT_EQ(file.Get(upper, "K"), "1");
  EXPECT_EQ(file.Get(lower, "k"), std::nullopt);
}

TEST(ProfileRead, ASectionNameMayHoldACharacterEndingInTheClosingBracketByte) {
  // 乗 is 81 5C; a character with the second byte 0x5D ("]") must not end the name.
  const std::string name = "A\x81\x5D" "B";
  const ProfileFile file = ProfileFile::Parse("[" + name + "]\r\nk=1\r\n");
  EXPECT_EQ(file.Get(name, "k"), "1");
}

TEST(ProfileRead, QuotesLineEndsCommentsAndLinesWithoutEquals) {
  const ProfileFile file =
      ProfileFile::Parse("[a]\rq=\"val2\"\rnokey\r;c=1\rempty=\r[b]\nx=1\n");
  EXPECT_EQ(file.Get("a", "q"), "val2");
  EXPECT_EQ(file.Get("a", "nokey"), std::nullopt);
  EXPECT_EQ(file.Get("a", ";c"), std::nullopt);
  EXPECT_EQ(file.Get("a", "empty"), "");
  EXPECT_EQ(file.Get("b", "x"), "1");
}

TEST(ProfileRead, CutsValuesToTheCallersBuffer) {
  TempDir dir;
  const std::string path = dir.File("c.ini");
  WriteFileBytes(path, "[s]\r\nk=" + std::string(600, 'v') + "\r\n");
  EXPECT_EQ(ProfileReadString(path, "s", "k").size(), 511u);
  EXPECT_EQ(ProfileReadString(path, "s", "k", "", 256).size(), 255u);
}

TEST(ProfileReadInt, ReadsLeadingDigitsAndFallsBackOnlyWhenAbsent) {
  TempDir dir;
  const std::string path = dir.File("c.ini");
  WriteFileBytes(path, "[s]\r\na=42A9\r\nb=B42\r\nc=\r\nd=-7\r\n");
  EXPECT_EQ(ProfileReadInt(path, "s", "a", 5), 42);
  EXPECT_EQ(ProfileReadInt(path, "s", "b", 5), 0);
  EXPECT_EQ(ProfileReadInt(path, "s", "c", 5), 5);
  EXPECT_EQ(ProfileReadInt(path, "s", "d", 5), -7);
  EXPECT_EQ(ProfileReadInt(path, "s", "zz", 5), 5);
  EXPECT_EQ(ProfileReadInt(dir.File("none.ini"), "s", "a", 5), 5);
}

TEST(ProfileWrite, CreatesAMissingFile) {
  TempDir dir;
  const std::string path = dir.File("new.ini");
  ASSERT_TRUE(ProfileWriteString(path, "App", "key", "string"));
  EXPECT_EQ(ReadFileBytes(path), "[App]\r\nkey=string\r\n");
}

TEST(ProfileWrite, ReplacesInPlaceAddsKeysAndSectionsAndKeepsOtherLines) {
  TempDir dir;
  const std::string path = dir.File("c.ini");
  WriteFileBytes(path,
                 "; comment kept\n[one]\nA = 1\n\nB=2\n; trailing note\n[two]\r\nC=3\r\n");
  ASSERT_TRUE(ProfileWriteString(path, "ONE", "a", "10"));
  ASSERT_TRUE(ProfileWriteString(path, "one", "new", "x"));
  ASSERT_TRUE(ProfileWriteString(path, "three", "D", "4"));
  EXPECT_EQ(ReadFileBytes(path),
            "; comment kept\n[one]\nA=10\n\nB=2\nnew=x\r\n; trailing note\n[two]\r\nC=3\r\n"
            "\r\n[three]\r\nD=4\r\n");
  EXPECT_EQ(ProfileReadString(path, "one", "A"), "10");
}

TEST(ProfileWrite, WritesGbkBytesAsGiven) {
  TempDir dir;
  const std::string path = dir.File("c.ini");
  ASSERT_TRUE(ProfileWriteString(path, "系统参数"_gbk, "软件版本"_gbk, "3.1.2 版"_gbk));
  EXPECT_EQ(ProfileReadString(path, "系统参数"_gbk, "软件版本"_gbk), "3.1.2 版"_gbk);
}

TEST(ProfileWrite, AFailedWriteLeavesTheOldFileWhole) {
  TempDir dir;
  const std::string path = dir.File("c.ini");
  const std::string old_text = "[s]\r\nk=old\r\n";
  WriteFileBytes(path, old_text);
  // A file-size limit makes the write of the new contents fail half-way, for
  // root as for anyone.
  struct rlimit saved {};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = ProfileWriteString(path, "s", "k", std::string(100, 'n'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadFileBytes(path), old_text);
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);  // the temporary file was removed
}

TEST(ProfileWrite, AFileThatCannotBeWrittenIsReportedAndNoTemporaryIsLeft) {
  TempDir dir;
  const std::string path = dir.File("missing-folder/c.ini");
  EXPECT_FALSE(ProfileWriteString(path, "s", "k", "v"));
  const std::string good = dir.File("c.ini");
  ASSERT_TRUE(ProfileWriteString(good, "s", "k", "v"));
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);  // only c.ini: the temporary file was renamed
}

TEST(ProfileWrite, StaleTemporariesOfOursAreRemovedWhenTheFileIsNextWritten) {
  TempDir dir;
  const auto age = [&](const char* name, int seconds_ago) {
    ASSERT_TRUE(WriteFileBytes(dir.File(name), "left"));
    const timespec times[2] = {{::time(nullptr) - seconds_ago, 0}, {::time(nullptr) - seconds_ago, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.File(name).c_str(), times, 0), 0);
  };
  age(".zt-write-a1B2c3", 120);    // left by a writer that was killed: goes
  age(".zt-write-d4E5f6", 5);      // another writer's, maybe still at work: stays
  age(".zt-write-toolong7", 120);  // not a name mkstemp gives: stays
  age("other.ini", 120);
  ASSERT_TRUE(ProfileWriteString(dir.File("c.ini"), "s", "k", "v"));
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".zt-write-d4E5f6", ".zt-write-toolong7", "c.ini", "other.ini"}));
}

TEST(ProfileLoad, AFileThatMustBeThereIsNothingWhenMissingAFolderOrAFifo) {
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File("c.ini"), "[s]\r\nk=v\r\n"));
  ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0700), 0);
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);  // with no writer: must not block
  const std::optional<ProfileFile> file = ProfileFile::LoadExisting(dir.File("c.ini"));
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Get("s", "k"), "v");
  for (const char* name : {"missing.ini", "folder", "fifo"}) {
    EXPECT_FALSE(ProfileFile::LoadExisting(dir.File(name))) << name;
  }
}

TEST(ProfileWrite, AnUnreadableFileIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  TempDir dir;
  const std::string path = dir.File("c.ini");
  WriteFileBytes(path, "[s]\r\nk=old\r\n");
  ::chmod(path.c_str(), 0200);
  EXPECT_FALSE(ProfileWriteString(path, "s", "other", "v"));
  ::chmod(path.c_str(), 0600);
  EXPECT_EQ(ReadFileBytes(path), "[s]\r\nk=old\r\n");
}

TEST(ProfileRead, AFifoInPlaceOfTheFileIsNotWaitedOn) {
  TempDir dir;
  const std::string path = dir.File("tool_set.ini");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(ProfileReadString(path, "SET", "COM", "none", 64), "none");
  EXPECT_FALSE(ProfileFile::LoadForUpdate(path).has_value());  // and so it is never replaced
}

}  // namespace
}  // namespace zt
