#include "terminal/terminal_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>

#include "support/temp_dir.h"

namespace zt {
namespace {

using Millis = std::chrono::milliseconds;

TEST(TerminalLogName, ThePortNameIsMadeSafeForAFileName) {
  const std::pair<std::string, std::string> cases[] = {
      {"/dev/ttyUSB0", "ttyUSB0"}, {"COM1", "COM1"},          {"/dev/pts/5", "pts_5"},
      {"/tmp/dtu", "tmp_dtu"},     {"../../etc", ".._.._etc"}, {"", "port"},
      {"a b\x01", "a_b_"},         {std::string(100, 'x'), std::string(64, 'x')},
  };
  for (const auto& [port, safe] : cases) EXPECT_EQ(SafePortName(port), safe) << port;
}

TEST(TerminalLog, TheFileIsNamedAfterTheTimeAndThePortAndIsPrivate) {
  test::TempDir dir;
  TerminalLog log(dir.path() + "/logs/", "/dev/ttyUSB0");
  ASSERT_TRUE(log.Open());
  const std::string path = log.CurrentPath();
  EXPECT_TRUE(std::regex_match(path, std::regex(".*/logs/20\\d{6}-\\d{6}-ttyUSB0\\.log"))) << path;
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat((dir.path() + "/logs").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(TerminalLog, WhatIsAppendedIsInTheFileWithinASecond) {
  test::TempDir dir;
  TerminalLog log(dir.path() + "/", "COM1");
  ASSERT_TRUE(log.Open());
  log.Append("12:00:00.000 OK\r\n");
  const auto limit = std::chrono::steady_clock::now() + Millis(1000);
  while (test::ReadFileBytes(log.CurrentPath()).empty() && std::chrono::steady_clock::now() < limit) {
    std::this_thread::sleep_for(Millis(10));
  }
  EXPECT_EQ(test::ReadFileBytes(log.CurrentPath()), "12:00:00.000 OK\r\n");
}

TEST(TerminalLog, AFullFileIsFollowedByANewOneAndNoByteIsLost) {
  test::TempDir dir;
  std::string text;
  for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + "\r\n";
  std::vector<std::string> files;
  {
    TerminalLog log(dir.path() + "/", "COM1", /*limit=*/64);
    ASSERT_TRUE(log.Open());
    for (std::size_t at = 0; at < text.size(); at += 7) log.Append(text.substr(at, 7));
    log.Close();
    files = log.Files();
  }
  ASSERT_GT(files.size(), 4u);
  std::string joined;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string bytes = test::ReadFileBytes(files[i]);
    EXPECT_LE(bytes.size(), 64u) << files[i];
    // A file ends at a line end when one fits.
    if (i + 1 < files.size()) {
      EXPECT_EQ(bytes.back(), '\n') << files[i];
    }
    joined += bytes;
  }
  EXPECT_EQ(joined, text);
  // Names taken already in the same second get a number.
  EXPECT_TRUE(std::regex_match(files[1], std::regex(".*-COM1(-\\d+)?\\.log"))) << files[1];
  EXPECT_NE(files[0], files[1]);
}

TEST(TerminalLog, AFileIsNeverCreatedOverAnotherOrThroughALink) {
  test::TempDir dir;
  const std::string target = dir.File("target");
  ASSERT_TRUE(test::WriteFileBytes(target, "keep"));
  ASSERT_EQ(::symlink(target.c_str(), dir.File("link.log").c_str()), 0);
  EXPECT_LT(CreatePrivateFile(dir.File("link.log")), 0);
  EXPECT_LT(CreatePrivateFile(target), 0);
  EXPECT_EQ(test::ReadFileBytes(target), "keep");
  const int fd = CreatePrivateFile(dir.File("new.log"));
  ASSERT_GE(fd, 0);
  ::close(fd);
}

TEST(TerminalLog, AFolderThatCannotBeMadeIsReported) {
  test::TempDir dir;
  ASSERT_TRUE(test::WriteFileBytes(dir.File("file"), "x"));
  TerminalLog log(dir.File("file") + "/logs/", "COM1");
  EXPECT_FALSE(log.Open());
  EXPECT_NE(log.Error(), 0);
  EXPECT_TRUE(log.Files().empty());
}

}  // namespace
}  // namespace zt
