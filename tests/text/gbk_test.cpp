#include "text/gbk.h"

#include <gtest/gtest.h>

#include "text/strformat.h"

namespace zt {
namespace {

using namespace zt::literals;

TEST(GbkLiteral, ConvertsChineseAtCompileTime) {
  // 登 = B5C7, 录 = C2BC in GBK.
  constexpr std::string_view text = "登录DTU失败***\r\n"_gbk;
  static_assert(text.size() == 4 + 3 + 4 + 3 + 2);
  EXPECT_EQ(text.substr(0, 4), "\xB5\xC7\xC2\xBC");
  EXPECT_EQ(text.substr(4, 3), "DTU");
  EXPECT_EQ(text.substr(11), "***\r\n");
  EXPECT_EQ(text.data()[text.size()], '\0');
}

TEST(GbkLiteral, FullWidthPunctuationAndAsciiPassThrough) {
  EXPECT_EQ("，"_gbk, "\xA3\xAC");
  EXPECT_EQ("【SIN】"_gbk, "\xA1\xBESIN\xA1\xBF");
  EXPECT_EQ("AT+GETPARAM?\r\n"_gbk, "AT+GETPARAM?\r\n");
}

TEST(GbkToUtf8, RoundTripsTheToolsTexts) {
  const std::string utf8 = "当前通道模式已经变为：多通道!";
  const auto gbk = Utf8ToGbk(utf8);
  ASSERT_TRUE(gbk.has_value());
  EXPECT_EQ(*gbk, "当前通道模式已经变为：多通道!"_gbk);
  EXPECT_EQ(GbkToUtf8(*gbk), utf8);
}

TEST(GbkToUtf8, TrailBytesThatLookLikeAsciiStayInTheirCharacter) {
  // 乗 is 81 5C in GBK: its trail byte is the backslash.
  const auto gbk = Utf8ToGbk("乗");
  ASSERT_TRUE(gbk.has_value());
  EXPECT_EQ(*gbk, "\x81\x5C");
  EXPECT_EQ(GbkToUtf8(*gbk), "乗");
}

TEST(GbkToUtf8, InvalidBytesBecomeReplacementCharacters) {
  EXPECT_EQ(GbkToUtf8("A\x80" "B"), "A\xEF\xBF\xBD" "B");
  EXPECT_EQ(GbkToUtf8("\xB5"), "\xEF\xBF\xBD");  // lead byte at the end
  EXPECT_FALSE(IsValidGbk("\xB5"));
  EXPECT_TRUE(IsValidGbk("\xB5\xC7" "abc"));
}

TEST(GbkToUtf8Escaped, ShowsEveryInvalidByte) {
  EXPECT_EQ(GbkToUtf8Escaped("OK\xFF\x80\r\n"), "OK\\xFF\\x80\r\n");
  EXPECT_EQ(GbkToUtf8Escaped("\xB5\xC7\xB5"), "登\\xB5");
  EXPECT_EQ(GbkToUtf8Escaped(std::string_view("CM\0IOT\x1B", 7)), "CM\\x00IOT\x1B");  // a zero hides nothing
}

TEST(GbkToUtf8ForTerminal, ShowsControlBytesAndInvalidBytesEscaped) {
  EXPECT_EQ(GbkToUtf8ForTerminal("\x1B]0;T\x07\x1B[2J"), "\\x1B]0;T\\x07\\x1B[2J");
  EXPECT_EQ(GbkToUtf8ForTerminal(std::string_view("a\0b\r\n\t\x7F~", 8)), "a\\x00b\\x0D\\x0A\\x09\\x7F~");
  EXPECT_EQ(GbkToUtf8ForTerminal("\xB5\xC7\xFF"), "登\\xFF");
}

TEST(Utf8ToGbk, RefusesWhatGbkCannotHold) {
  EXPECT_FALSE(Utf8ToGbk("emoji \xF0\x9F\x98\x80").has_value());
  EXPECT_FALSE(Utf8ToGbk("\xC3").has_value());
  EXPECT_EQ(Utf8ToGbkLossy("a\xF0\x9F\x98\x80" "b"), "a?b");
}

TEST(Format, FormatsGbkTemplates) {
  EXPECT_EQ(Format("打开%s成功"_gbk, std::string("COM3")), "打开COM3成功"_gbk);
  EXPECT_EQ(Format("ch%d:%s=%s"_gbk, 2, std::string("IP"), std::string("1.2.3.4")), "ch2:IP=1.2.3.4");
  const std::string long_value(1000, 'x');
  EXPECT_EQ(Format("%s!", long_value).size(), 1001u);
}

}  // namespace
}  // namespace zt
