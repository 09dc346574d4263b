// Command sequences run against a scripted peer on a pseudo-terminal: the
// port writes the send steps, the terminal's receive thread feeds the waits.
#include "terminal/sequence_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "serial/serial_port.h"
#include "support/temp_dir.h"
#include "terminal/terminal_receiver.h"
#include "terminal_test_port.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using Millis = std::chrono::milliseconds;

SequenceStep Send(std::string text) { return {StepKind::kSendLine, std::move(text), 0}; }
SequenceStep Wait(std::string text, int ms) { return {StepKind::kWaitText, std::move(text), ms}; }
SequenceStep Pause(int ms) { return {StepKind::kPause, {}, ms}; }

class SequenceRunnerTest : public test::TerminalPortTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(port_.Open());
    receiver_.SetTap([this](std::string_view bytes) { runner_.Received(bytes); });
    receiver_.Start();
  }
  void TearDown() override {
    runner_.Stop();
    receiver_.Stop();
  }

  TerminalReceiver receiver_{port_};
  SequenceRunner runner_{[this](std::string_view bytes) { port_.Write(port_.PortLock(), bytes); }};
};

TEST_F(SequenceRunnerTest, RunsToItsEndWhenEveryWaitIsAnswered) {
  peer_.AddRule({.when = "AT+CSQ\r\n", .reply = {"AT+CSQ\r\n+CSQ: 23,99\r\nOK\r\n"}});
  // The answer to the second send comes before its wait starts, and counts.
  peer_.AddRule({.when = "AT\r\n", .reply = {"OK\r\n"}});
  const CommandSequence sequence{{Send("AT+CSQ"), Wait("+CSQ:", 2000), Wait("OK", 2000), Send("AT"), Pause(100),
                                  Wait("OK", 2000), {StepKind::kSendHex, "41 42", 0}, {StepKind::kSendText, "C", 0}}};
  ASSERT_TRUE(runner_.Start(sequence));
  ASSERT_TRUE(runner_.WaitFinished(Millis(5000)));
  const SequenceStatus status = runner_.Status();
  EXPECT_EQ(status.state, SequenceState::kPassed);
  EXPECT_EQ(status.step, 8);
  EXPECT_EQ(status.count, 8);
  EXPECT_EQ(status.message, "命令序列执行完毕"_gbk);
  ASSERT_TRUE(peer_.WaitForReceived("ABC"));
  EXPECT_EQ(peer_.Received(), "AT+CSQ\r\nAT\r\nABC");
}

TEST_F(SequenceRunnerTest, AWaitThatTimesOutStopsTheSequenceAndNamesItsStep) {
  peer_.AddRule({.when = "AT+CSQ\r\n", .reply = {"ERROR\r\n"}});
  const CommandSequence sequence{{Send("AT+CSQ"), Wait("OK", 300), Send("AT+NEXT")}};
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(runner_.Start(sequence));
  ASSERT_TRUE(runner_.WaitFinished(Millis(5000)));
  EXPECT_GE(std::chrono::steady_clock::now() - start, Millis(300));
  const SequenceStatus status = runner_.Status();
  EXPECT_EQ(status.state, SequenceState::kTimedOut);
  EXPECT_EQ(status.step, 2);
  EXPECT_EQ(status.message, "命令序列第2步: 等待\"OK\"超时, 序列已停止"_gbk);
  std::this_thread::sleep_for(Millis(50));
  EXPECT_EQ(peer_.Received(), "AT+CSQ\r\n");
}

TEST_F(SequenceRunnerTest, StopEndsARunHalfwayAtOnce) {
  const CommandSequence sequence{{Send("ONE"), Pause(10000), Send("TWO"), Wait("never", 10000)}};
  ASSERT_TRUE(runner_.Start(sequence));
  ASSERT_TRUE(peer_.WaitForReceived("ONE\r\n"));
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (runner_.Status().step != 2 && std::chrono::steady_clock::now() < limit) {
    std::this_thread::sleep_for(Millis(2));
  }
  ASSERT_EQ(runner_.Status().step, 2);
  const auto start = std::chrono::steady_clock::now();
  runner_.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, Millis(100));
  const SequenceStatus status = runner_.Status();
  EXPECT_EQ(status.state, SequenceState::kStopped);
  EXPECT_EQ(status.message, "命令序列在第2步被停止"_gbk);
  std::this_thread::sleep_for(Millis(50));
  EXPECT_EQ(peer_.Received(), "ONE\r\n");
  // A new run can start after a stopped one.
  ASSERT_TRUE(runner_.Start(CommandSequence{{Send("AGAIN")}}));
  ASSERT_TRUE(runner_.WaitFinished(Millis(5000)));
  EXPECT_TRUE(peer_.WaitForReceived("AGAIN\r\n"));
}

TEST(CommandSequence, ASequenceThatCannotRunSaysWhichStep) {
  struct Case {
    std::vector<SequenceStep> steps;
    std::string_view refusal;
  };
  const SequenceStep odd_hex{StepKind::kSendHex, "41 4", 0};
  const SequenceStep foreign_hex{StepKind::kSendHex, "4G", 0};
  const SequenceStep empty_text{StepKind::kSendText, "", 0};
  const Case cases[] = {
      {{}, "命令序列中没有步骤"_gbk},
      {{Send("AT"), odd_hex}, "命令序列第2步: 数据是错误的HEX字符串"_gbk},
      {{foreign_hex}, "命令序列第1步: 数据是错误的HEX字符串"_gbk},
      {{Send(""), empty_text}, "命令序列第2步: 没有要发送的内容"_gbk},
      {{Wait("", 100)}, "命令序列第1步: 没有要等待的内容"_gbk},
      {{Pause(-1)}, "命令序列第1步: 时间超出范围(0~3600000ms)"_gbk},
      {{Send(""), Wait("OK", 0), Pause(0)}, ""},
  };
  for (const Case& c : cases) {
    const CommandSequence sequence{c.steps};
    const std::string refusal(c.refusal);
    EXPECT_EQ(CheckSequence(sequence), refusal);
    SequenceRunner runner([](std::string_view) {});
    std::string why;
    EXPECT_EQ(runner.Start(sequence, &why), refusal.empty());
    EXPECT_EQ(why, refusal);
  }
}

TEST(CommandSequence, IsKeptInAnIniFileOfItsOwn) {
  test::TempDir dir;
  const std::string path = dir.File("at_sequence.ini");
  const CommandSequence sequence{{Send(" AT+中文 "_gbk.data()), Wait("\"OK\"", 1500),
                                  {StepKind::kSendHex, "1A", 0}, {StepKind::kSendText, "+++", 0}, Pause(250)}};
  ASSERT_TRUE(SaveSequence(path, sequence));
  EXPECT_EQ(test::ReadFileBytes(path).substr(0, 58),
            "[sequence]\r\nsteps=5\r\n\r\n[step1]\r\nkind=send_line\r\ntext=\" AT+");
  EXPECT_EQ(LoadSequence(path), sequence);
  EXPECT_EQ(LoadSequence(dir.File("absent.ini")), std::nullopt);
}

}  // namespace
}  // namespace zt
