#include "terminal/quick_send_sender.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "terminal_test_port.h"

namespace zt {
namespace {

using Millis = std::chrono::milliseconds;

class QuickSendSenderTest : public test::TerminalPortTest {
 protected:
  void SetUp() override { ASSERT_TRUE(port_.Open()); }

  // Waits until no manual send is pending.
  bool WaitManualSent(QuickSendSender& sender) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (sender.PendingManualSends() > 0) {
      if (std::chrono::steady_clock::now() > limit) return false;
      std::this_thread::sleep_for(Millis(2));
    }
    return true;
  }
};

TEST_F(QuickSendSenderTest, ARowLosesItsBlanksAndGetsCrLfWhenNewLineIsTicked) {
  QuickSendSender sender(port_);
  sender.SetRow(0, "AT + C SQ", false);
  sender.SetNewLine(true);
  sender.SendRow(0);
  ASSERT_TRUE(peer_.WaitForReceived("\r\n"));
  EXPECT_EQ(peer_.Received(), "AT+CSQ\r\n");
}

TEST_F(QuickSendSenderTest, AnOddHexRowSendsOnlyTheLineEndOrNothing) {
  QuickSendSender sender(port_);
  sender.SetRow(1, "41 4", true);
  sender.SendRow(1);
  ASSERT_TRUE(WaitManualSent(sender));
  sender.SetNewLine(true);
  sender.SendRow(1);
  ASSERT_TRUE(WaitManualSent(sender));
  sender.SetRow(2, "41 42", true);
  sender.SendRow(2);
  ASSERT_TRUE(peer_.WaitForReceived("AB\r\n"));
  EXPECT_EQ(peer_.Received(), "\r\nAB\r\n");
}

TEST_F(QuickSendSenderTest, EmptyOrTooLongRowsAndAClosedPortSendNothing) {
  QuickSendSender sender(port_);
  sender.SetRow(0, "", false);
  sender.SetRow(1, std::string(1025, 'A'), false);
  sender.SetRow(2, "AT", false);
  sender.SendRow(0);
  sender.SendRow(1);
  EXPECT_EQ(sender.PendingManualSends(), 0u);
  port_.Close();
  sender.SendRow(2);
  EXPECT_EQ(sender.PendingManualSends(), 0u);
  ASSERT_TRUE(port_.Open());
  sender.SendRow(2);
  ASSERT_TRUE(peer_.WaitForReceived("AT"));
  EXPECT_EQ(peer_.Received(), "AT");
}

TEST_F(QuickSendSenderTest, ManualSendsKeepTheOrderOfThePresses) {
  QuickSendSender sender(port_);
  for (int row = 0; row < kQuickSendRows; ++row)
    sender.SetRow(row, "R" + std::to_string(row + 1) + ";", false);
  for (const int row : {3, 0, 10, 3}) sender.SendRow(row);
  ASSERT_TRUE(peer_.WaitForReceived("R4;R1;R11;R4;"));
  EXPECT_EQ(peer_.Received(), "R4;R1;R11;R4;");
}

TEST_F(QuickSendSenderTest, ACycleSendsTheFilledRowsInOrderOverAndOver) {
  QuickSendSender sender(port_);
  sender.SetRow(0, "ONE;", false);
  sender.SetRow(2, "THREE;", false);
  ASSERT_TRUE(sender.StartCycle(10));
  EXPECT_EQ(sender.Pause(), 10);
  ASSERT_TRUE(peer_.WaitForReceived("ONE;THREE;ONE;THREE;ONE;"));
  sender.StopCycle();
  EXPECT_FALSE(sender.IsCycling());
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (sender.CycleThreadAlive() && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(Millis(5));
  EXPECT_FALSE(sender.CycleThreadAlive());
  // The cycle in progress was finished: every ONE has its THREE (the peer
  // may still be reading the last one).
  EXPECT_TRUE(peer_.WaitForReceived("THREE;", peer_.CountReceived("ONE;")));
  const std::string received = peer_.Received();
  EXPECT_EQ(peer_.CountReceived("ONE;"), peer_.CountReceived("THREE;"));
  EXPECT_EQ(received.substr(received.size() - 6), "THREE;");
}

TEST_F(QuickSendSenderTest, AnIntervalOfZeroOrLessStartsNoCycle) {
  QuickSendSender sender(port_);
  sender.SetRow(0, "AT", false);
  EXPECT_FALSE(sender.StartCycle(0));
  EXPECT_FALSE(sender.StartCycle(-5));
  EXPECT_FALSE(sender.IsCycling());
  EXPECT_FALSE(sender.CycleThreadAlive());
  EXPECT_EQ(peer_.Received(), "");
}

TEST_F(QuickSendSenderTest, ThePauseOfTheLastCycleStaysForTheButtons) {
  QuickSendSender sender(port_);
  EXPECT_EQ(sender.Pause(), 0);
  ASSERT_TRUE(sender.StartCycle(2000));
  sender.StopCycle();
  EXPECT_EQ(sender.Pause(), 2000);
  sender.SetRow(4, "LATE", false);
  sender.SendRow(4);
  // The press returns at once; the row waits its pause on the sender's thread.
  EXPECT_EQ(sender.PendingManualSends(), 1u);
  EXPECT_EQ(peer_.Received(), "");
  ASSERT_TRUE(peer_.WaitForReceived("LATE", 1, Millis(10000)));
}

TEST_F(QuickSendSenderTest, ShutdownCutsPausesShortAndDropsQueuedSends) {
  QuickSendSender sender(port_);
  sender.SetRow(0, "A", false);
  ASSERT_TRUE(sender.StartCycle(60000));
  sender.SendRow(0);
  sender.SendRow(0);
  sender.Shutdown();
  EXPECT_FALSE(sender.CycleThreadAlive());
  EXPECT_EQ(sender.PendingManualSends(), 0u);
  EXPECT_EQ(peer_.Received(), "");
  // After the shutdown nothing starts again.
  EXPECT_FALSE(sender.StartCycle(10));
  sender.SendRow(0);
  EXPECT_EQ(sender.PendingManualSends(), 0u);
}

TEST_F(QuickSendSenderTest, RestartingWhileTheLastCycleFinishesKeepsOneThread) {
  QuickSendSender sender(port_);
  sender.SetRow(0, "X", false);
  ASSERT_TRUE(sender.StartCycle(50));
  sender.StopCycle();
  ASSERT_TRUE(sender.StartCycle(5));
  EXPECT_TRUE(sender.IsCycling());
  ASSERT_TRUE(peer_.WaitForReceived("XXX"));
  sender.StopCycle();
}

}  // namespace
}  // namespace zt
