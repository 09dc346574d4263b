#include "terminal/terminal_receiver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "terminal_test_port.h"

namespace zt {
namespace {

using namespace std::string_literals;
using Millis = std::chrono::milliseconds;
using Kind = TerminalEvent::Kind;

class TerminalReceiverTest : public test::TerminalPortTest {
 protected:
  // Collects events until `bytes` received bytes have come, or 5 s.
  std::vector<TerminalEvent> Collect(TerminalReceiver& receiver, std::size_t bytes) {
    std::vector<TerminalEvent> got;
    std::size_t received = 0;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (received < bytes && std::chrono::steady_clock::now() < limit) {
      for (TerminalEvent& e : receiver.TakeEvents()) {
        if (e.kind == Kind::kReceived) received += e.bytes.size();
        got.push_back(std::move(e));
      }
      std::this_thread::sleep_for(Millis(5));
    }
    return got;
  }
  static std::string Joined(const std::vector<TerminalEvent>& events, Kind kind) {
    std::string out;
    for (const TerminalEvent& e : events) {
      if (e.kind == kind) out += e.bytes;
    }
    return out;
  }
};

TEST_F(TerminalReceiverTest, KeepsEachReadWithItsArrivalTimeInOrder) {
  ASSERT_TRUE(port_.Open());
  TerminalReceiver receiver(port_);
  receiver.Start();
  const TerminalTime before = TerminalNow();
  peer_.Write("RUN AT\r\nOK\r\n");
  peer_.Write("+CSQ: 23,99\r\n", Millis(150));
  const std::vector<TerminalEvent> events = Collect(receiver, 25);
  EXPECT_EQ(Joined(events, Kind::kReceived), "RUN AT\r\nOK\r\n+CSQ: 23,99\r\n");
  ASSERT_GE(events.size(), 2u);
  EXPECT_GE(events.front().when, before);
  // The second write came 150 ms later, and its read carries that time.
  EXPECT_GE(events.back().when - events.front().when, Millis(100));
}

TEST_F(TerminalReceiverTest, KeepsZeroBytesAndWhatFollowsThem) {
  ASSERT_TRUE(port_.Open());
  TerminalReceiver receiver(port_);
  receiver.Start();
  peer_.Write("AB\0CD"s);
  EXPECT_EQ(Joined(Collect(receiver, 5), Kind::kReceived), "AB\0CD"s);
  EXPECT_EQ(receiver.ReadTotal(), 5u);
}

TEST_F(TerminalReceiverTest, ASentBlockComesBeforeItsAnswerAndTheTapSeesEveryRead) {
  ASSERT_TRUE(port_.Open());
  peer_.AddRule({.when = "AT\r\n", .reply = {"OK\r\n"}});
  TerminalReceiver receiver(port_);
  std::string tapped;
  std::mutex tapped_mutex;
  receiver.SetTap([&](std::string_view bytes) {
    std::lock_guard lock(tapped_mutex);
    tapped.append(bytes);
  });
  receiver.Start();
  receiver.NoteSent("AT\r\n");
  port_.Write(port_.PortLock(), "AT\r\n");
  const std::vector<TerminalEvent> events = Collect(receiver, 4);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, Kind::kSent);
  EXPECT_EQ(events[0].bytes, "AT\r\n");
  EXPECT_EQ(events[1].bytes, "OK\r\n");
  receiver.SetTap({});
  peer_.Write("late\r\n");
  Collect(receiver, 6);
  std::lock_guard lock(tapped_mutex);
  EXPECT_EQ(tapped, "OK\r\n");
}

TEST_F(TerminalReceiverTest, ABurstFarAboveOneReadArrivesWhole) {
  ASSERT_TRUE(port_.Open());
  TerminalReceiver receiver(port_);
  receiver.Start();
  std::string burst;
  for (int i = 0; burst.size() < 200000; ++i) burst += "line " + std::to_string(i) + "\r\n";
  peer_.Write(burst);
  EXPECT_EQ(Joined(Collect(receiver, burst.size()), Kind::kReceived), burst);
  EXPECT_EQ(receiver.ReadTotal(), burst.size());
}

TEST_F(TerminalReceiverTest, RunsOnAClosedPortWithoutReadingAndStops) {
  TerminalReceiver receiver(port_);
  receiver.Start();
  EXPECT_TRUE(receiver.IsRunning());
  std::this_thread::sleep_for(Millis(50));
  receiver.Stop();
  EXPECT_FALSE(receiver.IsRunning());
  EXPECT_TRUE(receiver.TakeEvents().empty());
}

TEST_F(TerminalReceiverTest, AfterStopNothingMoreIsTaken) {
  ASSERT_TRUE(port_.Open());
  TerminalReceiver receiver(port_);
  receiver.Start();
  peer_.Write("one\r\n");
  EXPECT_EQ(Joined(Collect(receiver, 5), Kind::kReceived), "one\r\n");
  receiver.Stop();
  peer_.Write("two\r\n");
  ASSERT_TRUE(peer_.WaitQueuedAtPort(5));
  EXPECT_TRUE(receiver.TakeEvents().empty());
  EXPECT_EQ(peer_.QueuedAtPort(), 5u);
}

}  // namespace
}  // namespace zt
