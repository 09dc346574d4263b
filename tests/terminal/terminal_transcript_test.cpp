// What the AT terminal shows and logs: time stamps, the hex view and sent
// blocks, from events as the receive thread delivers them; and the same over
// a pseudo-terminal, where reads fall as the line delivers them.
#include "terminal/terminal_transcript.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>

#include "terminal/terminal_receiver.h"
#include "terminal_test_port.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using namespace std::string_literals;
using Millis = std::chrono::milliseconds;

const TerminalTime kT0 = TerminalTime{} + std::chrono::hours(24 * 365 * 50) + Millis(250);

std::string Stamp(TerminalTime t) { return ClockText(t) + " "; }

TEST(ClockText, IsHoursMinutesSecondsAndMilliseconds) {
  EXPECT_TRUE(std::regex_match(ClockText(kT0), std::regex(R"(\d\d:\d\d:\d\d\.250)")));
  EXPECT_TRUE(std::regex_match(FileStampText(kT0), std::regex(R"(20\d{6}-\d{6})")));
}

TEST(Transcript, EachLineIsStampedWithTheTimeItsFirstByteArrived) {
  TerminalTranscript t;
  t.SetTimestamps(true);
  const TerminalTime t1 = kT0, t2 = kT0 + Millis(40), t3 = kT0 + Millis(90);
  t.Received("+CSQ: 2", t1);
  t.Received("3,99\r\nO", t2);
  t.Received("K\r\n", t3);
  t.EndBatch();
  EXPECT_EQ(t.Take().display, Stamp(t1) + "+CSQ: 23,99\r\n" + Stamp(t2) + "OK\r\n");
  // The next line's stamp waits for its first byte.
  t.Received("READY", t3 + Millis(500));
  t.EndBatch();
  EXPECT_EQ(t.Take().display, Stamp(t3 + Millis(500)) + "READY");
}

TEST(Transcript, WithEveryOptionOffTheTextIsAsItCame) {
  TerminalTranscript t;
  const std::string zhong("中"_gbk);
  t.Received("AB\0CD"s, kT0);  // a read ends at its first zero byte
  t.Received("OK\r\n" + zhong.substr(0, 1), kT0);
  t.EndBatch();
  EXPECT_EQ(t.Take().display, "ABOK\r\n");  // the lead byte waits for its second half
  EXPECT_EQ(t.ReceivedShown(), 6u);
  t.Received(zhong.substr(1), kT0);
  t.EndBatch();
  EXPECT_EQ(t.Take().display, zhong);
  t.Received("\xB0"s, kT0);
  t.EndBatch();
  t.EndBatch();  // a batch without bytes shows a lone lead byte as it is
  EXPECT_EQ(t.Take().display, "\xB0"s);
  EXPECT_EQ(t.ReceivedShown(), 9u);
}

TEST(Transcript, HexViewShowsEveryByteInRowsOf16WithTheTextBeside) {
  TerminalTranscript t;
  t.Received("X", kT0);
  t.SetHex(true);  // from now on; the line in progress ends first
  t.Received("AT\r\n\0\xFF"s + std::string("中"_gbk) + "\x81" + "0123456789", kT0);
  t.EndBatch();
  EXPECT_EQ(t.Take().display,
            "X\r\n41 54 0D 0A 00 FF D6 D0 81 30 31 32 33 34 35 36  AT...." + std::string("中"_gbk) + ".0123456\r\n");
  t.EndBatch();  // quiet: the short row is written
  EXPECT_EQ(t.Take().display, "37 38 39" + std::string(39, ' ') + "  789\r\n");
  EXPECT_EQ(t.ReceivedShown(), 1u + 19u);
}

TEST(HexRow, TheTextColumnHoldsNoControlByteAndOnlyWholeGbk) {
  struct Case {
    std::string bytes;
    std::string text;
  };
  const std::string zhong("中"_gbk);
  const Case cases[] = {
      {"\x00\x01\x1B\x7F\x09"s, "....."},
      {"\xFF\xFE\x20"s, ".. "},           // 0xFF is never GBK; FE 20 is no character
      {zhong, zhong},
      {"abcdefghijklmno" + zhong.substr(0, 1), "abcdefghijklmno."},  // its partner is in the next row
  };
  for (const Case& c : cases) {
    const std::string row = FormatHexRow(c.bytes);
    EXPECT_EQ(row.substr(49), c.text) << row;
  }
}

TEST(Transcript, SentBlocksShowOnLinesOfTheirOwnWhenStamped) {
  TerminalTranscript t;
  t.SetTimestamps(true);
  t.SetLogging(true);
  t.Received("RUN", kT0);
  t.Sent("AT+CMGS\x1A\r\n", kT0 + Millis(5));
  t.Received("OK\r\n", kT0 + Millis(9));
  t.EndBatch();
  const std::string shown = Stamp(kT0) + "RUN\r\n" + Stamp(kT0 + Millis(5)) + std::string("→ AT+CMGS\\x1A\r\n"_gbk) +
                            Stamp(kT0 + Millis(9)) + "OK\r\n";
  const TranscriptPiece piece = t.Take();
  EXPECT_EQ(piece.display, shown);
  EXPECT_EQ(piece.log, shown);
}

TEST(Transcript, WithoutStampsSentBlocksGoOnlyToTheLog) {
  TerminalTranscript t;
  t.SetLogging(true);
  t.Received("RUN", kT0);
  t.Sent("AT\r\n", kT0);
  t.SetHex(true);
  t.Sent("\x01\x02", kT0);
  t.Received("OK", kT0);
  t.EndBatch();
  t.EndBatch();  // quiet: the short row is written
  const TranscriptPiece piece = t.Take();
  EXPECT_EQ(piece.display, "RUN\r\n4F 4B" + std::string(42, ' ') + "  OK\r\n");
  EXPECT_EQ(piece.log, std::string("RUN\r\n→ AT\r\n→ 01 02\r\n4F 4B"_gbk) + std::string(42, ' ') + "  OK\r\n");
}

// Milliseconds from one "HH:MM:SS.mmm" to a later one (across midnight too).
int MillisBetween(const std::string& from, const std::string& to) {
  const auto millis = [](const std::string& s) {
    return ((std::stoi(s.substr(0, 2)) * 60 + std::stoi(s.substr(3, 2))) * 60 + std::stoi(s.substr(6, 2))) * 1000 +
           std::stoi(s.substr(9, 3));
  };
  return (millis(to) - millis(from) + 86400000) % 86400000;
}

// Over a line: the reads fall where the line puts them.
class TranscriptOverPty : public test::TerminalPortTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(port_.Open());
    receiver_.Start();
  }
  // Feeds the receiver's events to the transcript until `count` bytes came.
  std::string Show(TerminalTranscript& t, std::size_t count) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (t.ReceivedShown() < count && std::chrono::steady_clock::now() < limit) {
      std::this_thread::sleep_for(Millis(40));
      for (const TerminalEvent& e : receiver_.TakeEvents()) t.Received(e.bytes, e.when);
      t.EndBatch();
    }
    return t.Take().display;
  }

  TerminalReceiver receiver_{port_};
};

TEST_F(TranscriptOverPty, ALineSplitAcrossReadsCarriesTheTimeOfItsFirstPiece) {
  TerminalTranscript t;
  t.SetTimestamps(true);
  const TerminalTime before = TerminalNow();
  peer_.Write("+CSQ: 2");
  peer_.Write("3,99\r\nOK", Millis(300));
  peer_.Write("\r\n", Millis(600));
  const std::string shown = Show(t, 17);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(shown, m,
                               std::regex(R"((\d\d:\d\d:\d\d\.\d{3}) \+CSQ: 23,99\r\n(\d\d:\d\d:\d\d\.\d{3}) OK\r\n)")))
      << shown;
  // The first line is stamped when "+CSQ: 2" came, not when its end did; the
  // second when its "OK" came with the second piece, not at its end.
  EXPECT_LT(MillisBetween(ClockText(before), m[1]), 150);
  const int gap = MillisBetween(m[1], m[2]);
  EXPECT_GE(gap, 250);
  EXPECT_LT(gap, 550);
}

TEST_F(TranscriptOverPty, HexViewShowsNulAndInvalidGbkBytes) {
  TerminalTranscript t;
  t.SetHex(true);
  peer_.Write("\0OK\xFF\x80\r\n"s);
  EXPECT_EQ(Show(t, 7), "00 4F 4B FF 80 0D 0A" + std::string(27, ' ') + "  .OK....\r\n");
}

}  // namespace
}  // namespace zt
