#include "params/value_checks.h"

#include <gtest/gtest.h>

#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;

ParamDef Def(ParamValueType type, std::uint16_t length = 256) {
  ParamDef p;
  p.type = type;
  p.length = length;
  p.code = 0x0101;
  p.name = "p";
  return p;
}

TEST(IsDigitText, IntegersNeedDigitsAndDigitStringsMayBeEmpty) {
  const ParamDef integer = Def(ParamValueType::kInt2);
  EXPECT_TRUE(IsDigitText(integer, "080"));
  EXPECT_FALSE(IsDigitText(integer, ""));
  EXPECT_FALSE(IsDigitText(integer, "+80"));
  EXPECT_FALSE(IsDigitText(integer, "-1"));
  EXPECT_FALSE(IsDigitText(integer, " 80"));
  const ParamDef digits = Def(ParamValueType::kDigitStr);
  EXPECT_TRUE(IsDigitText(digits, ""));
  EXPECT_TRUE(IsDigitText(digits, "13800138000"));
  EXPECT_FALSE(IsDigitText(digits, "+8613800138000"));
  EXPECT_FALSE(IsDigitText(digits, "138 00"));
}

TEST(IsDigitText, TheServiceCentreNumberMayStartWithPlus) {
  ParamDef centre = Def(ParamValueType::kDigitStr);
  centre.name = std::string("服务中心号码"_gbk);
  EXPECT_TRUE(IsDigitText(centre, "+8613800100500"));
  EXPECT_TRUE(IsDigitText(centre, "8613800100500"));
  EXPECT_FALSE(IsDigitText(centre, "++86"));
  EXPECT_FALSE(IsDigitText(centre, "86+1"));
}

TEST(IsInRange, ARangeWithAndWithoutAnExtraValue) {
  ParamDef port = Def(ParamValueType::kInt2);
  port.range_low = 1;
  port.range_high = 65535;
  EXPECT_TRUE(IsInRange(port, "80"));
  EXPECT_TRUE(IsInRange(port, "080"));
  EXPECT_TRUE(IsInRange(port, "65535"));
  EXPECT_FALSE(IsInRange(port, "70000"));
  EXPECT_FALSE(IsInRange(port, "0"));
  ParamDef extra = Def(ParamValueType::kInt1);
  extra.range_low = 3;
  extra.range_high = 10;
  extra.range_extra = 0;
  extra.has_range_extra = true;
  for (const char* ok : {"0", "3", "7", "10"}) EXPECT_TRUE(IsInRange(extra, ok)) << ok;
  for (const char* bad : {"1", "2", "11"}) EXPECT_FALSE(IsInRange(extra, bad)) << bad;
}

TEST(IsInRange, ANumberBeyond32BitsDoesNotWrapIntoTheRange) {
  ParamDef port = Def(ParamValueType::kInt4);
  port.range_low = 1;
  port.range_high = 65535;
  EXPECT_FALSE(IsInRange(port, "4294967297"));
  port.range_high = 0xFFFFFFFF;
  EXPECT_TRUE(IsInRange(port, "4294967295"));
  EXPECT_FALSE(IsInRange(port, "99999999999999999999"));
}

TEST(IsLengthValid, HexStringsCountBytesAndNeedAnEvenDigitCount) {
  ParamGroup g;
  ParamDef hex = Def(ParamValueType::kHexStr, 4);
  EXPECT_TRUE(IsLengthValid(g, hex, "01 02 03 04"));
  EXPECT_TRUE(IsLengthValid(g, hex, "01020304"));
  EXPECT_TRUE(IsLengthValid(g, hex, "010203"));
  EXPECT_FALSE(IsLengthValid(g, hex, "0102030"));
  EXPECT_FALSE(IsLengthValid(g, hex, "0102030405"));
  hex.fixed_length = true;
  EXPECT_FALSE(IsLengthValid(g, hex, "010203"));
  EXPECT_TRUE(IsLengthValid(g, hex, "01 020304"));
}

TEST(IsLengthValid, OtherTypesCountBytes) {
  ParamGroup g;
  const ParamDef text = Def(ParamValueType::kAscStr, 4);
  EXPECT_TRUE(IsLengthValid(g, text, "abcd"));
  EXPECT_FALSE(IsLengthValid(g, text, "abcde"));
  EXPECT_FALSE(IsLengthValid(g, text, "中文字"_gbk));  // six bytes
}

TEST(IsLengthValid, AValueMemberIsHeldToItsPartnersRange) {
  ParamGroup g;
  g.count = 2;
  ParamDef& length = g.params[0] = Def(ParamValueType::kInt1, 2);
  length.code = 0x0603;
  length.range_low = 1;
  length.range_high = 4;
  length.range_extra = 0;
  length.has_range_extra = true;
  ParamDef& value = g.params[1] = Def(ParamValueType::kHexStr, 64);
  value.relation_code = 0x0603;
  EXPECT_TRUE(IsLengthValid(g, value, "01020304"));
  EXPECT_FALSE(IsLengthValid(g, value, "0102030405"));
  EXPECT_FALSE(IsLengthValid(g, value, ""));  // the extra value does not count here
  g.count = 0;  // a partner outside the group's parameters is no partner
  EXPECT_TRUE(IsLengthValid(g, value, "0102030405"));
}

TEST(IsLengthValid, AnAddressMustAlsoBeAnIpAddress) {
  ParamGroup g;
  ParamDef ip = Def(ParamValueType::kAscStr, 15);
  ip.is_ipaddr = true;
  EXPECT_TRUE(IsLengthValid(g, ip, "10.0.0.1"));
  EXPECT_FALSE(IsLengthValid(g, ip, "10.0.0"));
  EXPECT_FALSE(IsLengthValid(g, ip, "100.100.100.1000"));  // sixteen bytes
}

TEST(CharacterChecks, BlanksHexDigitsAndCharacterSets) {
  EXPECT_TRUE(HasNoSpace("abc"));
  EXPECT_FALSE(HasNoSpace("a c"));
  EXPECT_TRUE(IsHexText(""));
  EXPECT_TRUE(IsHexText("01 aF"));
  EXPECT_FALSE(IsHexText("0G"));
  EXPECT_FALSE(IsHexText("0x01"));
  ParamDef charset = Def(ParamValueType::kAscStr);
  charset.spec_ascstr_first = "abc";
  charset.spec_ascstr_other = "abc123";
  EXPECT_TRUE(IsSpecAscii(charset, "a12"));
  EXPECT_FALSE(IsSpecAscii(charset, "1ab"));
  EXPECT_FALSE(IsSpecAscii(charset, "ad"));
  EXPECT_TRUE(IsSpecAscii(charset, ""));
  charset.spec_ascstr_other.clear();
  EXPECT_FALSE(IsSpecAscii(charset, "a"));
}

TEST(IsIpAddress, AddressesADtuCanUse) {
  for (const char* ok : {"0.0.0.0", "10.0.0.1", "223.255.255.255", "1.2.3.0004", "126.0.0.1",
                         "128.0.0.1"}) {
    EXPECT_TRUE(IsIpAddress(ok)) << ok;
  }
}

TEST(IsIpAddress, EverythingElseIsRefused) {
  for (const char* bad : {"127.0.0.1", "224.0.0.1", "0.0.0.1", "1.2.3", "1.2.3.4.5", "1..2.3",
                          "256.1.1.1", "", "1.2.3.256", "1.2.3.a", " 1.2.3.4", "1.2.3.4 ",
                          "0001.2.3.4", "1.2.3.", "1.2.3.4294967297", "-1.2.3.4"}) {
    EXPECT_FALSE(IsIpAddress(bad)) << bad;
  }
}

TEST(HexConversions, HexDumpGivesThreeCharactersPerByte) {
  EXPECT_EQ(HexDump("abc"), "61 62 63 ");
  EXPECT_EQ(HexDump(std::string("\x00\xff", 2)), "00 FF ");
  EXPECT_EQ(HexDump(""), "");
}

TEST(HexConversions, HexToBytesPairsDigitsAndSkipsBlanks) {
  EXPECT_EQ(HexToBytes("41 42 4a").bytes, "ABJ");
  EXPECT_TRUE(HexToBytes("41 42 4a").ok);
  EXPECT_EQ(HexToBytes("4142 4").bytes, "AB");  // the unpaired digit is dropped
  EXPECT_TRUE(HexToBytes("4142 4").ok);
  const HexBytes bad = HexToBytes("4142x43");
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.bytes, "AB");
  EXPECT_EQ(HexToBytes("410042").bytes, "A");  // text ends at its zero byte
}

TEST(DisplayForm, APasswordShowsOneStarPerByte) {
  ParamDef p = Def(ParamValueType::kAscStr);
  p.value = "secret";
  EXPECT_EQ(DisplayText(p), "secret");
  p.is_password = true;
  EXPECT_EQ(DisplayText(p), "******");
  p.value = "密码"_gbk;
  EXPECT_EQ(DisplayText(p), "****");
}

TEST(DisplayForm, TheDropDownPreselectsTheFirstOptionBeginningWithTheCell) {
  ParamDef p = Def(ParamValueType::kInt1);
  p.list_options = {"TCP", "UDP", "UDP-LITE", std::string("无校验"_gbk)};
  EXPECT_EQ(PreselectedOption(p, "udp"), 1);
  EXPECT_EQ(PreselectedOption(p, "UDP-"), 2);
  EXPECT_EQ(PreselectedOption(p, "t"), 0);
  EXPECT_EQ(PreselectedOption(p, "无"_gbk), 3);
  EXPECT_EQ(PreselectedOption(p, "0"), -1);  // a wire value, as a query stores it
  EXPECT_EQ(PreselectedOption(p, "TCPX"), -1);
}

TEST(WireForm, HexStringsAreSentWithoutBlanksAndKeptSo) {
  ParamDef hex = Def(ParamValueType::kHexStr);
  hex.value = "12 34 AB";
  EXPECT_EQ(WireValueForSet(hex), "1234AB");
  EXPECT_EQ(hex.value, "1234AB");
}

TEST(WireForm, AnInt1ListSendsTheValueOfTheMatchingOption) {
  ParamDef proto = Def(ParamValueType::kInt1);
  proto.is_list = true;
  proto.list_options = {"TCP", "UDP"};
  proto.list_value = {"0", "1"};
  proto.value = "UDP";
  EXPECT_EQ(WireValueForSet(proto), "1");
  proto.value = "1";  // already a wire value, as a query stores it
  EXPECT_EQ(WireValueForSet(proto), "1");
  proto.value = "udp";
  EXPECT_EQ(WireValueForSet(proto), "udp");
  EXPECT_EQ(proto.value, "udp");
}

TEST(WireForm, AnOptionWithoutAWireValueSendsTheStoredText) {
  ParamDef p = Def(ParamValueType::kInt1);
  p.is_list = true;
  p.list_options = {"a", "b", "c"};
  p.list_value = {"0"};
  p.value = "c";
  EXPECT_EQ(WireValueForSet(p), "c");
  p.value = "a";
  EXPECT_EQ(WireValueForSet(p), "0");
}

TEST(WireForm, ListsOfOtherTypesAreSentAsStored) {
  ParamDef p = Def(ParamValueType::kInt4);
  p.is_list = true;
  p.list_options = {"fast"};
  p.list_value = {"115200"};
  p.value = "fast";
  EXPECT_EQ(WireValueForSet(p), "fast");
}

TEST(WireForm, RepliesLoseTheHexPrefixAndNullMeansEmpty) {
  const ParamDef hex = Def(ParamValueType::kHexStr);
  EXPECT_EQ(ValueFromReply(hex, "0xFE01", false), "FE01");
  EXPECT_EQ(ValueFromReply(hex, "0XFE01", false), "FE01");
  EXPECT_EQ(ValueFromReply(hex, "0xFE01", true), "FE01");
  EXPECT_EQ(ValueFromReply(hex, "0XFE01", true), "0XFE01");
  EXPECT_EQ(ValueFromReply(hex, "NULL", false), "");
  const ParamDef text = Def(ParamValueType::kAscStr);
  EXPECT_EQ(ValueFromReply(text, "0x12", false), "0x12");
  EXPECT_EQ(ValueFromReply(text, "NULL", true), "");
  EXPECT_EQ(ValueFromReply(text, "null", true), "null");
  EXPECT_EQ(ValueFromReply(text, std::string(300, 'v'), false).size(), 255u);
}

}  // namespace
}  // namespace zt
