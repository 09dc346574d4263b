#include "worker/query_parser.h"

#include <gtest/gtest.h>

#include "worker/firmware_version.h"

namespace zt {
namespace {

std::string ValueOf(std::string_view text, std::string_view keyword) {
  KeywordIndex index(text);
  index.Want(keyword);
  index.Build();
  const std::size_t pos = index.Find(keyword);
  if (pos == std::string_view::npos) return "<absent>";
  return ExtractValueAt(text, pos, keyword.size());
}

TEST(QueryParser, ValuesRunToTheCarriageReturn) {
  const std::string text = "APN=cmnet\r\nSVRPORT=5001\r\nOK\r\n";
  EXPECT_EQ(ValueOf(text, "APN"), "cmnet");
  EXPECT_EQ(ValueOf(text, "SVRPORT"), "5001");
  EXPECT_EQ(ValueOf(text, "MISSING"), "<absent>");
}

TEST(QueryParser, AZeroByteIsPartOfTheValue) {
  using namespace std::string_literals;
  const std::string text = "APN=CM\0IOT\r\nK\0=1\r\nSVRPORT=5001\r\nOK\r\n"s;
  EXPECT_EQ(ValueOf(text, "APN"), "CM\0IOT"s);
  EXPECT_EQ(ValueOf(text, "SVRPORT"), "5001");
  const std::string channel_part = "ID=1\r\nSVRADDR=1.2\0.3\r\n"s;
  const std::vector<std::string_view> lines = SplitWorkFileLines(channel_part);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(ValueOf(lines[1], "SVRADDR"), "1.2\0.3"s);
}

TEST(QueryParser, AKeywordIsFoundInsideAnotherKeywordsLine) {
  // IP is looked for anywhere: the SVRIP line comes first and gives its value.
  const std::string text = "SVRIP=10.0.0.1\r\nIP=192.168.1.1\r\nOK";
  EXPECT_EQ(ValueOf(text, "IP"), "10.0.0.1");
}

TEST(QueryParser, ManyKeywordsFindTheirFirstOccurrence) {
  const std::string text = "A=1\r\nBB=2\r\nA=3\r\nCCC=4\r\nXBB=5\r\n";
  KeywordIndex index(text);
  for (const char* k : {"A", "BB", "CCC", "A", "D"}) index.Want(k);
  index.Build();
  EXPECT_EQ(index.Find("A"), 0u);
  EXPECT_EQ(index.Find("BB"), 5u);
  EXPECT_EQ(index.Find("CCC"), text.find("CCC="));
  EXPECT_EQ(index.Find("D"), std::string_view::npos);
}

TEST(QueryParser, AValueWithoutCarriageReturnLosesItsLastCharacter) {
  // LF-only lines run on: the value takes everything to the next CR, less its last byte.
  EXPECT_EQ(ValueOf("K=ab\nL=cd\r\n", "K"), "ab\nL=cd");
  // At the end of the text without any CR, the last copied byte is dropped.
  EXPECT_EQ(ValueOf("K=abcOK", "K"), "abcO");
  EXPECT_EQ(ValueOf("K=", "K"), "");
}

TEST(QueryParser, ALongLineIsCutAt128Bytes) {
  const std::string value(200, 'v');
  const std::string text = "KEY=" + value + "\r\n";
  // 128 bytes copied: "KEY=" and 124 value bytes, the last of which is dropped.
  EXPECT_EQ(ValueOf(text, "KEY"), std::string(123, 'v'));
}

TEST(QueryParser, ChannelHeadersAreLinesHoldingIdEquals) {
  EXPECT_EQ(ChannelHeaderNumber("ID=2\r\n"), 2);
  EXPECT_EQ(ChannelHeaderNumber("ID= 12x\r\n"), 12);
  EXPECT_EQ(ChannelHeaderNumber("DTUID=77\r\n"), 77);  // a keyword ending in ID is taken for a header
  EXPECT_EQ(ChannelHeaderNumber("ID=\r\n"), 0);
  EXPECT_EQ(ChannelHeaderNumber("SVRIP=1.2.3.4\r\n"), std::nullopt);
}

TEST(QueryParser, WorkFileLinesEndAfterLfOrAt998Bytes) {
  const std::string text = "ID=1\r\nA=1\r\n" + std::string(1000, 'x') + "\nB=2";
  const auto lines = SplitWorkFileLines(text);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "ID=1\r\n");
  EXPECT_EQ(lines[2].size(), 998u);
  EXPECT_EQ(lines[3], "xx\n");
  EXPECT_EQ(lines[4], "B=2");
}

TEST(FirmwareVersion, TheFirstDottedRunDecides) {
  EXPECT_FALSE(IsS3Version("SPSV=2.1.5\r\nOK"));
  EXPECT_TRUE(IsS3Version("SPSV=3.0.1"));
  EXPECT_TRUE(IsS3Version("SPSV=V3.2.7"));
  EXPECT_TRUE(IsS3Version("no version here"));
  EXPECT_TRUE(IsS3Version(""));
  EXPECT_FALSE(IsS3Version("10.2.3"));  // the first run starts at 0.2.3
  EXPECT_TRUE(IsS3Version("1.2 then 4.5.6"));
}

}  // namespace
}  // namespace zt
