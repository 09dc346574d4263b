#include "terminal/terminal_input.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zt {
namespace {

struct HexCase {
  std::string input;
  std::optional<std::string> bytes;
};

TEST(ParseHexInput, TurnsDigitPairsIntoBytesAndRefusesTheRest) {
  const HexCase cases[] = {
      {"41 42 0d", std::string("\x41\x42\x0D")},
      {"4 1", std::string("\x41")},
      {"414", std::nullopt},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"ff00", std::string("\xFF\x00", 2)},
      {"aBcD", std::string("\xAB\xCD")},
      {" 0 1 0 2 ", std::string("\x01\x02")},
      {"4G", std::nullopt},
      {"41 4x", std::nullopt},
      {"0x41", std::nullopt},
  };
  for (const HexCase& c : cases) {
    EXPECT_EQ(ParseHexInput(c.input), c.bytes) << "input \"" << c.input << "\"";
  }
}

TEST(HexInputChar, AcceptsDigitsLettersAToFAndTheBlankOnly) {
  for (const char c : std::string("0123456789abcdefABCDEF ")) EXPECT_TRUE(IsHexInputChar(c)) << c;
  for (const char c : std::string("gGxX-\t\r\n\b,.\x1A\xB0")) EXPECT_FALSE(IsHexInputChar(c)) << int(c);
  EXPECT_FALSE(HasForeignHexChar("41 42 0d"));
  EXPECT_TRUE(HasForeignHexChar("41 4g"));
  EXPECT_TRUE(HasForeignHexChar("41\t42"));
}

TEST(InputData, TextIsSentAsTypedWithCrLfOnlyWhenNewLineIsTicked) {
  EXPECT_EQ(BuildInputData("AT+CSQ", false, false).bytes, "AT+CSQ");
  EXPECT_EQ(BuildInputData("AT+CSQ", false, true).bytes, "AT+CSQ\r\n");
  // Blanks of typed text stay.
  EXPECT_EQ(BuildInputData("AT +CSQ ", false, true).bytes, "AT +CSQ \r\n");
  EXPECT_EQ(BuildInputData("AT+CSQ", false, true).verdict, InputVerdict::kSend);
}

TEST(InputData, HexInputSendsExactlyItsBytesWithoutALineEnd) {
  const InputData data = BuildInputData("41 42 0d", true, true);
  EXPECT_EQ(data.verdict, InputVerdict::kSend);
  EXPECT_EQ(data.bytes, "\x41\x42\x0D");
}

TEST(InputData, RefusalsNameTheirReason) {
  EXPECT_EQ(BuildInputData("", false, true).verdict, InputVerdict::kEmpty);
  EXPECT_EQ(BuildInputData("", true, false).verdict, InputVerdict::kEmpty);
  EXPECT_EQ(BuildInputData("41 4z", true, false).verdict, InputVerdict::kForeignCharacter);
  EXPECT_EQ(BuildInputData("414", true, false).verdict, InputVerdict::kMalformedHex);
  EXPECT_EQ(BuildInputData("   ", true, false).verdict, InputVerdict::kMalformedHex);
  EXPECT_TRUE(BuildInputData("414", true, false).bytes.empty());
}

TEST(CtrlZData, SendsTheTextAndSubstituteWithoutALineEnd) {
  const CtrlZData data = BuildCtrlZData("AT+CMGS=\"10086\"", false);
  EXPECT_EQ(data.verdict, CtrlZVerdict::kSend);
  EXPECT_EQ(data.bytes, "AT+CMGS=\"10086\"\x1A");
}

TEST(CtrlZData, NothingInHexModeOrWithoutTextAndTooLongAbove1024Bytes) {
  EXPECT_EQ(BuildCtrlZData("41", true).verdict, CtrlZVerdict::kNothing);
  EXPECT_EQ(BuildCtrlZData("", false).verdict, CtrlZVerdict::kNothing);
  EXPECT_EQ(BuildCtrlZData(std::string(1024, 'A'), false).verdict, CtrlZVerdict::kSend);
  EXPECT_EQ(BuildCtrlZData(std::string(1025, 'A'), false).verdict, CtrlZVerdict::kTooLong);
}

TEST(RowData, TextLosesItsBlanksAndGetsCrLfWhenNewLineIsTicked) {
  EXPECT_EQ(BuildRowData("AT + CSQ", false, true), "AT+CSQ\r\n");
  EXPECT_EQ(BuildRowData("AT + CSQ", false, false), "AT+CSQ");
}

TEST(RowData, HexRowsGetCrLfTooAndARefusedRowOnlyTheLineEnd) {
  EXPECT_EQ(BuildRowData("41 42", true, true), "\x41\x42\r\n");
  EXPECT_EQ(BuildRowData("41 4", true, true), "\r\n");
  EXPECT_EQ(BuildRowData("41 4", true, false), "");
}

TEST(RowData, OnlyRowsOfOneTo1024BytesAreSent) {
  EXPECT_FALSE(RowIsSendable(""));
  EXPECT_TRUE(RowIsSendable(" "));
  EXPECT_TRUE(RowIsSendable(std::string(1024, 'A')));
  EXPECT_FALSE(RowIsSendable(std::string(1025, 'A')));
}

TEST(SendPeriod, DigitsReadSaturatedAndTimersRunNoFasterThan10Ms) {
  EXPECT_EQ(ParsePeriodText("1000"), 1000u);
  EXPECT_EQ(ParsePeriodText(""), 0u);
  EXPECT_EQ(ParsePeriodText("99999999999"), 4294967295u);
  EXPECT_EQ(TimerPeriodMs(0), 10);
  EXPECT_EQ(TimerPeriodMs(9), 10);
  EXPECT_EQ(TimerPeriodMs(1000), 1000);
  EXPECT_EQ(TimerPeriodMs(4294967295u), 2147483647);
}

}  // namespace
}  // namespace zt
