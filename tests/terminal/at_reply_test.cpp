#include "terminal/at_reply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal/unit_text_escape.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using namespace std::string_literals;

TEST(AtReply, TheLinesAfterTheEchoUpToTheEndingLine) {
  struct Case {
    std::string command;
    std::vector<std::string> pieces;
    AtReplyEnd end;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"AT+CSQ", {"AT+CSQ\r\n+CSQ: 23,99\r\nOK\r\n"}, AtReplyEnd::kOk, {"+CSQ: 23,99", "OK"}},
      {"AT+CSQ", {"AT+C", "SQ\r", "\n+CSQ: 2", "3,99\r\nO", "K\r\n"}, AtReplyEnd::kOk, {"+CSQ: 23,99", "OK"}},
      {"AT+X", {"AT+X\r\nERROR\r\n"}, AtReplyEnd::kError, {"ERROR"}},
      {"AT+CMGS", {"+CMS ERROR: 500\r\n"}, AtReplyEnd::kError, {"+CMS ERROR: 500"}},
      // No echo, blank framing lines, LF-only line ends.
      {"AT+GETPARAM=SPSV", {"\r\nSPSV=3.1.2\n\nOK\n"}, AtReplyEnd::kOk, {"SPSV=3.1.2", "OK"}},
      // A value holding OK does not end it; what follows the end is not taken.
      {"AT+GETPARAM=APN", {"AT+GETPARAM=APN\r\nAPN=BOOK\r\nOK\r\nRING\r\n"}, AtReplyEnd::kOk, {"APN=BOOK", "OK"}},
      {"AT", {"AT\r\n", "+CSQ"}, AtReplyEnd::kOpen, {}},
      // What came before the echo is left over from an earlier command (the
      // late answer to a repeated login) and is not this reply.
      {"AT+CSQ",
       {"AT+LOGIN=pilot\rOK\r\nAT+CSQ\r\n+CSQ: 23,99\r\nOK\r\n"},
       AtReplyEnd::kOk,
       {"+CSQ: 23,99", "OK"}},
      // Only the first echo: a later line reading as the command is the reply's.
      {"AT", {"AT\r\nAT\r\nOK\r\n"}, AtReplyEnd::kOk, {"AT", "OK"}},
  };
  for (const Case& c : cases) {
    AtReplyCollector reply(c.command);
    for (const std::string& piece : c.pieces) reply.Feed(piece);
    EXPECT_EQ(reply.End(), c.end) << c.command;
    EXPECT_EQ(reply.Lines(), c.lines) << c.command;
  }
}

TEST(UnitText, ControlBytesAreShownAsHexAndOnlyLineEndsStay) {
  const std::pair<std::string, std::string> cases[] = {
      {"OK\r\n", "OK\n"},
      {"a\rb\nc\r\n\r\n", "a\nb\nc\n\n"},
      {"\x1B[2J\x07\t\x7F"s, "\\x1B[2J\\x07\\x09\\x7F"},
      {"A\0B"s, "A\\x00B"},
      {"\xFF" + std::string("中"_gbk), "\\xFF中"},
  };
  for (const auto& [gbk, utf8] : cases) {
    UnitTextEscaper escaper;
    EXPECT_EQ(escaper.Feed(gbk) + escaper.Finish(), utf8);
  }
}

TEST(UnitText, PiecesSplitInsideACharacterOrALineEndShowAsOne) {
  const std::string zhong("中"_gbk);
  UnitTextEscaper escaper;
  std::string out = escaper.Feed("OK\r");
  out += escaper.Feed("\n" + zhong.substr(0, 1));
  out += escaper.Feed(zhong.substr(1) + "\x81");
  out += escaper.Finish();
  EXPECT_EQ(out, "OK\n中\\x81");
  EXPECT_EQ(EscapeUnitLine("a\r\x1B" + zhong), "a\\x0D\\x1B中");
}

}  // namespace
}  // namespace zt
