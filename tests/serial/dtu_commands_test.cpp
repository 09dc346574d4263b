// The command lines that carry a value: their exact bytes, and the refusal
// of any value that would put a command of its own on the wire.
#include "serial/dtu_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace std::string_literals;
using namespace zt::literals;

TEST(DtuCommands, CarryTheValueByteForByteWithCrLf) {
  EXPECT_EQ(SetParamCommand("APN", "CMIOT"), "AT+SETPARAM=APN,CMIOT\r\n");
  EXPECT_EQ(SetParamCommand("SVRADDR", ""), "AT+SETPARAM=SVRADDR,\r\n");  // an empty value goes out empty
  EXPECT_EQ(SetParamCommand("DEVNAME", "中文 a=b,c"_gbk),
            "AT+SETPARAM=DEVNAME,"s + std::string("中文 a=b,c"_gbk) + "\r\n");
  EXPECT_EQ(SetProductNumberCommand("ZR3100A0001"), "AT+SETPARAM=SPPID,ZR3100A0001\r\n");
  EXPECT_EQ(SetImeiCommand("86012345678901", true), "AT+SETPARAM=IMEINUMBER,86012345678901\r\n");
  EXPECT_EQ(SetImeiCommand("86012345678901", false), "AT+SETIMEI=86012345678901\r\n");
}

TEST(DtuCommands, RefuseAPasswordHoldingAControlByte) {
  for (const std::string& password : {"a\rAT+R"s, "a\nb"s, "ab\0c"s, "\x1B"s, "x\x7F"s, "\t"s}) {
    EXPECT_FALSE(LoginCommand(password)) << ::testing::PrintToString(password);
  }
}

TEST(DtuCommands, EveryOtherCommandHasItsLineEnd) {
  EXPECT_EQ(WakeUpCommand(DtuSender::kWorker), std::string(20, ' '));
  EXPECT_EQ(WakeUpCommand(DtuSender::kProductionTest), std::string(13, ' '));
  EXPECT_EQ(LoginCommand("abc123"), "AT+LOGIN=abc123\r");
  EXPECT_EQ(LoginCommand("abcdefgh"), "AT+LOGIN=abcdef\r");  // the six bytes the settings hold
  EXPECT_EQ(QueryAllCommand(), "AT+GETPARAM?\r\n");
  EXPECT_EQ(GetParamCommand("APN"), "AT+GETPARAM=APN\r\n");
  EXPECT_EQ(SelectChannelCommand(3), "AT+SETCHL=3\r\n");
  EXPECT_EQ(SaveParamsCommand(), "AT+SAVEPARAM\r");
  EXPECT_EQ(UseDefaultCommand(), "AT+USEDEFAULT\r\n");
  EXPECT_EQ(UseDefaultCommand("MULB"), "AT+USEDEFAULT=MULB\r\n");
  EXPECT_EQ(ResetCommand(DtuSender::kWorker), "AT+RESET\r\n");
  EXPECT_EQ(ResetCommand(DtuSender::kProductionTest), "AT+RESET\r");
  EXPECT_EQ(UpgradeLoginCommand(), "AT+LOGIN=");
}

TEST(DtuCommands, RefuseEveryControlByteInAValueOrKeyword) {
  const std::string bad[] = {
      "b\nAT+USEDEFAULT=MUL", "a\rAT+RESET", "CMIOT\0,AT+RESET"s, "\t", "\x1B[2J", "x\x7F", "\x1F",
      std::string(1, '\0')};
  for (const std::string& value : bad) {
    EXPECT_FALSE(SetParamCommand("APN", value)) << ::testing::PrintToString(value);
    EXPECT_FALSE(SetParamCommand(value, "1")) << ::testing::PrintToString(value);
    EXPECT_FALSE(SetProductNumberCommand("P1" + value)) << ::testing::PrintToString(value);
    EXPECT_FALSE(SetImeiCommand(value, true)) << ::testing::PrintToString(value);
    EXPECT_FALSE(SetImeiCommand(value, false)) << ::testing::PrintToString(value);
  }
}

}  // namespace
}  // namespace zt
