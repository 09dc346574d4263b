// The wire log's lines and the fixture's reading of them.
#include "dtusim/wire_log.h"

#include <gtest/gtest.h>

#include "support/dtusim_fixture.h"

namespace zt::dtusim::test {
namespace {

using zt::test::JoinWire;
using zt::test::ParseWireLog;
using zt::test::WireChunk;

TEST(WireLog, OneLineHoldsTimeDirectionHexAndPrintableBytes) {
  EXPECT_EQ(FormatWireLogLine(12345678, '<', "AT+CSQ\r\n"),
            "12.345678\t<\t41 54 2B 43 53 51 0D 0A\tAT+CSQ..\n");
  EXPECT_EQ(FormatWireLogLine(1000000, '>', std::string("\xD4\xF3\t\0~", 5)),
            "1.000000\t>\tD4 F3 09 00 7E\t....~\n");
}

TEST(WireLog, TheFixtureReadsBackEveryByteInOrder) {
  const std::string bytes("\x00\xff\r\n\tab c\xD4\xF3", 11);
  const std::string log = FormatWireLogLine(1, '<', bytes) + "5.000000\t#\tserving /dev/pts/3\n" +
                          FormatWireLogLine(7000002, '>', "OK\r\n") + FormatWireLogLine(8000000, '<', "+++");
  const std::vector<WireChunk> chunks = ParseWireLog(log);
  ASSERT_EQ(chunks.size(), 4u);
  EXPECT_EQ(chunks[0].bytes, bytes);
  EXPECT_DOUBLE_EQ(chunks[0].time, 0.000001);
  EXPECT_EQ(chunks[1].direction, '#');
  EXPECT_EQ(chunks[1].bytes, "serving /dev/pts/3");
  EXPECT_DOUBLE_EQ(chunks[2].time, 7.000002);
  EXPECT_EQ(JoinWire(chunks, '<'), bytes + "+++");
  EXPECT_EQ(JoinWire(chunks, '>'), "OK\r\n");
}

TEST(WireLog, ALineStillBeingWrittenIsLeftOut) {
  const std::string log = FormatWireLogLine(1, '<', "AT") + "2.000000\t<\t41 5";
  EXPECT_EQ(JoinWire(ParseWireLog(log), '<'), "AT");
}

}  // namespace
}  // namespace zt::dtusim::test
