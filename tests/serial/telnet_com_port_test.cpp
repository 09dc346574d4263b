// The Telnet COM-port codec alone: what it takes out of the received stream,
// what it answers, and what it sends.
#include "serial/telnet_com_port.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zt::serial_detail {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (const int v : values) out.push_back(static_cast<char>(v));
  return out;
}

std::string TakeAll(TelnetComPort& codec) {
  std::string out(codec.DataQueued(), '\0');
  out.resize(codec.TakeData(out.data(), out.size()));
  return out;
}

struct FeedCase {
  const char* name;
  std::vector<std::string> chunks;  // fed one after the other
  std::string data;                 // the data that comes out
  std::string replies;              // the answers to the server
};

class TelnetFeed : public ::testing::TestWithParam<FeedCase> {};

TEST_P(TelnetFeed, TakesTheTelnetBytesOutOfTheDataAndAnswers) {
  TelnetComPort codec;
  codec.Greeting();
  for (const std::string& chunk : GetParam().chunks) codec.Feed(chunk);
  EXPECT_EQ(TakeAll(codec), GetParam().data);
  EXPECT_EQ(codec.TakeReplies(), GetParam().replies);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, TelnetFeed,
    ::testing::Values(
        FeedCase{"PlainData", {"OK\r\n"}, "OK\r\n", ""},
        FeedCase{"DoubledIacIsOneByte", {Bytes({'A', 255, 255, 'B'})}, Bytes({'A', 255, 'B'}), ""},
        FeedCase{"DoubledIacSplit", {Bytes({'A', 255}), Bytes({255, 'B'})}, Bytes({'A', 255, 'B'}), ""},
        // What ser2net says first: WILL SGA, DO SGA, WILL ECHO, DONT ECHO,
        // DO BINARY, WILL BINARY, DO COM-PORT. Only ECHO needs an answer.
        FeedCase{"ServerGreeting",
                 {Bytes({255, 251, 3}) + Bytes({255, 253, 3}) + Bytes({255, 251, 1}) + Bytes({255, 254, 1}) +
                  Bytes({255, 253, 0}) + Bytes({255, 251, 0}) + Bytes({255, 253, 44})},
                 "",
                 Bytes({255, 254, 1})},
        FeedCase{"UnknownOptionsRefused",
                 {Bytes({255, 253, 24, 'x', 255, 251, 31})},
                 "x",
                 Bytes({255, 252, 24, 255, 254, 31})},
        FeedCase{"NegotiationSplitEverywhere",
                 {Bytes({'a', 255}), Bytes({251}), Bytes({1, 'b'})},
                 "ab",
                 Bytes({255, 254, 1})},
        FeedCase{"WithdrawnBinaryIsAcknowledged", {Bytes({255, 252, 0})}, "", Bytes({255, 254, 0})},
        FeedCase{"SubnegotiationRemoved", {Bytes({'1', 255, 250, 44, 107, 0, 255, 240, '2'})}, "12", ""},
        FeedCase{"SubnegotiationSplitWithIacInside",
                 {Bytes({'1', 255, 250, 44, 101, 0, 0}), Bytes({255}), Bytes({255, 1, 255, 240, '2'})},
                 "12",
                 ""},
        FeedCase{"OneByteCommandsRemoved", {Bytes({'1', 255, 241, '2', 255, 249})}, "12", ""}),
    [](const ::testing::TestParamInfo<FeedCase>& param) { return std::string(param.param.name); });

TEST(TelnetComPort, GreetingOffersComPortAndBinaryBothWays) {
  TelnetComPort codec;
  EXPECT_EQ(codec.Greeting(), Bytes({255, 251, 44, 255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3}));
  // The server's agreement needs no answer.
  codec.Feed(Bytes({255, 253, 44, 255, 253, 0, 255, 251, 0}));
  EXPECT_FALSE(codec.HasReplies());
  EXPECT_FALSE(codec.ComPortRefused());
  codec.Feed(Bytes({255, 254, 44}));
  EXPECT_TRUE(codec.ComPortRefused());
  EXPECT_EQ(codec.TakeReplies(), Bytes({255, 252, 44}));
}

TEST(TelnetComPort, SpeedAnswerIsKeptAlsoWithAnIacByte) {
  TelnetComPort codec;
  codec.Feed(Bytes({255, 250, 44, 101, 0, 1, 194, 0, 255, 240}));
  EXPECT_EQ(codec.BaudReplies(), 1u);
  EXPECT_EQ(codec.ReportedBaud(), 115200u);
  codec.Feed(Bytes({255, 250, 44, 101, 0, 0, 255, 255, 1, 255}));
  codec.Feed(Bytes({240}));
  EXPECT_EQ(codec.BaudReplies(), 2u);
  EXPECT_EQ(codec.ReportedBaud(), 0xFF01u);
}

TEST(TelnetComPort, RequestsAreInNetworkOrderWithIacDoubled) {
  EXPECT_EQ(TelnetComPort::SetBaudRate(115200), Bytes({255, 250, 44, 1, 0, 1, 194, 0, 255, 240}));
  EXPECT_EQ(TelnetComPort::SetBaudRate(0x1FF), Bytes({255, 250, 44, 1, 0, 0, 1, 255, 255, 255, 240}));
  EXPECT_EQ(TelnetComPort::ComPortCommand(TelnetComPort::kPurgeData, 1),
            Bytes({255, 250, 44, 12, 1, 255, 240}));
  EXPECT_EQ(TelnetComPort::EncodeData(Bytes({'A', 255, 'B', 255})), Bytes({'A', 255, 255, 'B', 255, 255}));
}

TEST(TelnetComPort, TakenDataLeavesTheRestQueued) {
  TelnetComPort codec;
  codec.Feed("hello");
  char buffer[3];
  ASSERT_EQ(codec.TakeData(buffer, sizeof buffer), 3u);
  EXPECT_EQ(std::string(buffer, 3), "hel");
  EXPECT_EQ(codec.DataQueued(), 2u);
  codec.Feed("!");
  EXPECT_EQ(TakeAll(codec), "lo!");
  codec.Feed("x");
  codec.DiscardData();
  EXPECT_EQ(codec.DataQueued(), 0u);
}

}  // namespace
}  // namespace zt::serial_detail
