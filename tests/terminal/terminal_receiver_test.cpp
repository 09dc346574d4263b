#include "terminal/terminal_receiver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "terminal_test_port.h"

namespace zt {
namespace {

using namespace std::string_literals;
using Millis = std::chrono::milliseconds;

class TerminalReceiverTest : public test::TerminalPortTest {
 protected:
  // Collects what the receiver keeps until `bytes` bytes have come, or 5 s.
  std::string Collect(TerminalReceiver& receiver, std::size_t bytes) {
    std::string got;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (got.size() < bytes && std::chrono::steady_clock::now() < limit) {
      got += receiver.TakeReceived();
      std::this_thread::sleep_for(Millis(5));
    }
    return got;
  }
};

TEST_F(TerminalReceiverTest, KeepsWhatThePeerWritesInOrder) {
  ASSERT_TRUE(port_.Open());
  TerminalReceiver receiver(port_);
  receiver.Start();
  peer_.Write("RUN AT\r\nOK\r\n");
  peer_.Write("+CSQ: 23,99\r\n", Millis(30));
  EXPECT_EQ(Collect(receiver, 25), "RUN AT\r\nOK\r\n+CSQ: 23,99\r\n");
}

TEST_F(TerminalReceiverTest, ABlockEndsAtItsFirstZeroByte) {
  ASSERT_TRUE(port_.Open());
  TerminalReceiver receiver(port_);
  peer_.Write("AB\0CD"s);
  ASSERT_TRUE(peer_.WaitQueuedAtPort(5));
  receiver.Start();
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (receiver.ReadTotal() < 5 && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(Millis(5));
  receiver.Stop();
  EXPECT_EQ(receiver.ReadTotal(), 5u);
  EXPECT_EQ(receiver.TakeReceived(), "AB");
}

TEST_F(TerminalReceiverTest, ABurstFarAboveOneReadArrivesWhole) {
  ASSERT_TRUE(port_.Open());
  TerminalReceiver receiver(port_);
  receiver.Start();
  std::string burst;
  for (int i = 0; burst.size() < 200000; ++i) burst += "line " + std::to_string(i) + "\r\n";
  peer_.Write(burst);
  EXPECT_EQ(Collect(receiver, burst.size()), burst);
  EXPECT_EQ(receiver.ReadTotal(), burst.size());
}

TEST_F(TerminalReceiverTest, RunsOnAClosedPortWithoutReadingAndStops) {
  TerminalReceiver receiver(port_);
  receiver.Start();
  EXPECT_TRUE(receiver.IsRunning());
  std::this_thread::sleep_for(Millis(50));
  receiver.Stop();
  EXPECT_FALSE(receiver.IsRunning());
  EXPECT_EQ(receiver.TakeReceived(), "");
}

TEST_F(TerminalReceiverTest, AfterStopNothingMoreIsTaken) {
  ASSERT_TRUE(port_.Open());
  TerminalReceiver receiver(port_);
  receiver.Start();
  peer_.Write("one\r\n");
  EXPECT_EQ(Collect(receiver, 5), "one\r\n");
  receiver.Stop();
  peer_.Write("two\r\n");
  ASSERT_TRUE(peer_.WaitQueuedAtPort(5));
  EXPECT_EQ(receiver.TakeReceived(), "");
  EXPECT_EQ(peer_.QueuedAtPort(), 5u);
}

}  // namespace
}  // namespace zt
