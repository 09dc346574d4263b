#include "terminal/command_history.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;

TEST(CommandHistory, UpAndDownWalkTheSentLinesAndBringTheDraftBack) {
  CommandHistory h;
  h.Add("AT+CSQ");
  h.Add("AT+GETPARAM=SPSV");
  h.Add("AT+GETPARAM=SPSV");  // a repeat of the newest is kept once
  h.Add("");
  EXPECT_EQ(h.Lines().size(), 2u);
  EXPECT_EQ(h.Newer(), std::nullopt);
  EXPECT_EQ(h.Older("AT+"), "AT+GETPARAM=SPSV");
  EXPECT_EQ(h.Older("ignored"), "AT+CSQ");
  EXPECT_EQ(h.Older("ignored"), std::nullopt);  // the oldest
  EXPECT_EQ(h.Newer(), "AT+GETPARAM=SPSV");
  EXPECT_EQ(h.Newer(), "AT+");
  EXPECT_EQ(h.Newer(), std::nullopt);
}

TEST(CommandHistory, KeepsTheLast100Lines) {
  CommandHistory h;
  for (int i = 1; i <= 130; ++i) h.Add("AT" + std::to_string(i));
  ASSERT_EQ(h.Lines().size(), 100u);
  EXPECT_EQ(h.Lines().front(), "AT31");
  EXPECT_EQ(h.Lines().back(), "AT130");
}

TEST(CommandHistory, SurvivesARestartWithBlanksQuotesAndGbkIntact) {
  test::TempDir dir;
  const std::string path = dir.File("at_history.ini");
  CommandHistory h;
  const std::string lines[] = {"AT+CSQ", "   ", " \"quoted\" ", std::string("AT+中文=a;b"_gbk)};
  for (const std::string& line : lines) h.Add(line);
  ASSERT_TRUE(SaveHistory(path, h));
  EXPECT_EQ(test::ReadFileBytes(path).substr(0, 31), "[history]\r\ncount=4\r\nline1=\"AT+C");
  CommandHistory back = LoadHistory(path);
  ASSERT_EQ(back.Lines().size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(back.Lines()[i], lines[i]);
  EXPECT_EQ(back.Older(""), lines[3]);
  EXPECT_TRUE(LoadHistory(dir.File("absent.ini")).Lines().empty());
}

}  // namespace
}  // namespace zt
