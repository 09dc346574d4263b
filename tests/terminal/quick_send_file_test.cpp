#include "terminal/quick_send_file.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;

TEST(QuickSendFile, SaveThenLoadGivesTheSameRowsAndInterval) {
  test::TempDir dir;
  QuickSendContents saved;
  saved.rows[0] = {"AT+CSQ", false};
  saved.rows[2] = {"41 42 0D", true};
  saved.rows[10] = {std::string("AT+中文"_gbk), false};
  saved.interval = "500";
  ASSERT_TRUE(SaveQuickSend(dir.File("cmd.ini"), saved));

  QuickSendContents loaded;
  LoadQuickSend(dir.File("cmd.ini"), loaded);
  for (int row = 0; row < kQuickSendRows; ++row) {
    EXPECT_EQ(loaded.rows[row].text, saved.rows[row].text) << row;
    EXPECT_EQ(loaded.rows[row].hex, saved.rows[row].hex) << row;
  }
  EXPECT_EQ(loaded.interval, "500");
}

TEST(QuickSendFile, IsWrittenRowByRowWithTheIntervalInOption10) {
  test::TempDir dir;
  QuickSendContents saved;
  saved.rows[0] = {"AT", true};
  ASSERT_TRUE(SaveQuickSend(dir.File("cmd.ini"), saved));
  const std::string text = test::ReadFileBytes(dir.File("cmd.ini"));
  EXPECT_EQ(text.substr(0, 56), "[option1]\r\nchecked=1\r\ncontent=AT\r\n\r\n[option2]\r\nchecked=0");
  EXPECT_NE(text.find("[option10]\r\nchecked=0\r\ncontent=\r\ninterval=1000\r\n\r\n[option11]"),
            std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 33), "[option11]\r\nchecked=0\r\ncontent=\r\n");
}

TEST(QuickSendFile, ASaveReplacesTheWholeOldFile) {
  test::TempDir dir;
  ASSERT_TRUE(test::WriteFileBytes(dir.File("cmd.ini"), "[other]\r\nkey=1\r\n"));
  ASSERT_TRUE(SaveQuickSend(dir.File("cmd.ini"), QuickSendContents{}));
  EXPECT_EQ(test::ReadFileBytes(dir.File("cmd.ini")).find("[other]"), std::string::npos);
}

TEST(QuickSendFile, OnlyTheInteger1TicksTheHexMark) {
  test::TempDir dir;
  ASSERT_TRUE(test::WriteFileBytes(dir.File("cmd.ini"),
                                   "[option1]\r\nchecked=01\r\n[option2]\r\nchecked=yes\r\n"
                                   "[option3]\r\nchecked=1\r\n[option4]\r\nchecked=2\r\n"
                                   "[option5]\r\nchecked=\r\n[option6]\r\nchecked=0\r\n"));
  QuickSendContents loaded;
  loaded.rows[1].hex = true;  // a mark the file does not tick is cleared
  LoadQuickSend(dir.File("cmd.ini"), loaded);
  EXPECT_TRUE(loaded.rows[0].hex);
  EXPECT_FALSE(loaded.rows[1].hex);
  EXPECT_TRUE(loaded.rows[2].hex);
  EXPECT_FALSE(loaded.rows[3].hex);
  EXPECT_FALSE(loaded.rows[4].hex);
  EXPECT_FALSE(loaded.rows[5].hex);
}

TEST(QuickSendFile, WithoutOption10Row10IsEmptyAndTheIntervalStays1000) {
  test::TempDir dir;
  ASSERT_TRUE(test::WriteFileBytes(dir.File("cmd.ini"), "[option9]\r\ncontent=AT+CSQ\r\n"));
  QuickSendContents loaded;
  loaded.rows[9].text = "old";
  LoadQuickSend(dir.File("cmd.ini"), loaded);
  EXPECT_EQ(loaded.rows[8].text, "AT+CSQ");
  EXPECT_EQ(loaded.rows[9].text, "");
  EXPECT_EQ(loaded.interval, "1000");
}

TEST(QuickSendFile, AnAbsentFileLeavesThePanelAsItIs) {
  test::TempDir dir;
  QuickSendContents loaded;
  loaded.rows[0] = {"keep", true};
  loaded.interval = "250";
  LoadQuickSend(dir.File("cmd.ini"), loaded);
  EXPECT_EQ(loaded.rows[0].text, "keep");
  EXPECT_TRUE(loaded.rows[0].hex);
  EXPECT_EQ(loaded.interval, "250");
}

TEST(QuickSendFile, AContentIsReadUpTo1023Bytes) {
  test::TempDir dir;
  ASSERT_TRUE(
      test::WriteFileBytes(dir.File("cmd.ini"), "[option1]\r\ncontent=" + std::string(1500, 'A') + "\r\n"));
  QuickSendContents loaded;
  LoadQuickSend(dir.File("cmd.ini"), loaded);
  EXPECT_EQ(loaded.rows[0].text, std::string(1023, 'A'));
}

TEST(QuickSendFile, AnUnwritableFileIsReportedAndNothingIsWritten) {
  test::TempDir dir;
  EXPECT_FALSE(SaveQuickSend(dir.File("no/such/cmd.ini"), QuickSendContents{}));
}

}  // namespace
}  // namespace zt
