// Each fault option of dtusim, over a real pseudo-terminal.
#include <gtest/gtest.h>

#include "pty_client.h"
#include "support/dtusim_fixture.h"

namespace zt::test {
namespace {

using namespace std::chrono_literals;

const std::string kBlanks(20, ' ');

class DtuSimFault : public ::testing::Test {
 protected:
  void Run(std::vector<std::string> args) {
    ASSERT_TRUE(sim_.Start(args)) << sim_.error();
    dtu_ = std::make_unique<PtyClient>(sim_.SlavePath());
    ASSERT_TRUE(dtu_->is_open());
  }
  std::string Ask(std::string_view command) { return dtu_->Exchange(command); }

  DtuSimProcess sim_;
  std::unique_ptr<PtyClient> dtu_;
};

TEST_F(DtuSimFault, MuteNeverAnswers) {
  Run({"--mute"});
  dtu_->Send(kBlanks);
  ASSERT_TRUE(sim_.WaitForReceived(kBlanks));
  EXPECT_EQ(dtu_->ReadFor(300ms), "");
  dtu_->Send("+++");
  ASSERT_TRUE(sim_.WaitForReceived("+++"));
  EXPECT_EQ(dtu_->ReadFor(300ms), "");
  EXPECT_EQ(sim_.SentBytes(), "");
}

TEST_F(DtuSimFault, MuteAfterAnswersNExchangesThenNothing) {
  Run({"--mute-after", "2"});
  ASSERT_TRUE(dtu_->WakeAndLogin());
  dtu_->Send("AT+CSQ\r\n");
  ASSERT_TRUE(sim_.WaitForReceived("AT+CSQ\r\n"));
  EXPECT_EQ(dtu_->ReadFor(300ms), "");
  EXPECT_EQ(sim_.SentBytes(), "RUN AT\r\nOK\r\nAT+LOGIN=pilot\rOK\r\n");
}

TEST_F(DtuSimFault, ErrorOnACommandOrAKeyword) {
  Run({"--error-on", "AT+SAVEPARAM", "--error-on", "DNS2"});
  ASSERT_TRUE(dtu_->WakeAndLogin());
  EXPECT_EQ(Ask("AT+SETPARAM=DNS1,8.8.8.8\r\n"), "AT+SETPARAM=DNS1,8.8.8.8\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+SETPARAM=DNS2,8.8.4.4\r\n"), "AT+SETPARAM=DNS2,8.8.4.4\r\nERROR\r\n");
  EXPECT_EQ(Ask("AT+GETPARAM=DNS2\r\n"), "AT+GETPARAM=DNS2\r\nERROR\r\n");
  EXPECT_EQ(Ask("AT+SAVEPARAM\r"), "AT+SAVEPARAM\rERROR\r\n");
}

TEST_F(DtuSimFault, DelayedAnswersLeaveThatMuchAfterTheCommand) {
  Run({"--delay", "400"});
  dtu_->Send(kBlanks);
  EXPECT_EQ(dtu_->ReadUntil("OK\r\n"), "RUN AT\r\nOK\r\n");
  ASSERT_TRUE(sim_.WaitForSent("RUN AT\r\nOK\r\n"));
  const std::vector<WireChunk> log = sim_.WireLog();
  double received = 0;
  double sent = 0;
  for (const WireChunk& c : log) {
    if (c.direction == '<') received = c.time;
    if (c.direction == '>') sent = c.time;
  }
  EXPECT_GE(sent - received, 0.400);
}

TEST_F(DtuSimFault, ChunkedAnswersArriveInSmallPiecesButWhole) {
  Run({"--chunked", "--seed", "42"});
  ASSERT_TRUE(dtu_->WakeAndLogin());
  const std::string reply = Ask("AT+GETPARAM?\r\n");
  EXPECT_EQ(reply.substr(0, 26), "AT+GETPARAM?\r\nSPSV=3.1.2\r\n");
  const std::string tail = "PROTO=0\r\nOK\r\n";
  ASSERT_GT(reply.size(), tail.size());
  EXPECT_EQ(reply.substr(reply.size() - tail.size()), tail);
  ASSERT_TRUE(sim_.WaitForSent(reply));
  size_t pieces = 0;
  for (const WireChunk& c : sim_.WireLog()) {
    if (c.direction != '>') continue;
    ++pieces;
    EXPECT_LE(c.bytes.size(), 16u);
  }
  EXPECT_GT(pieces, reply.size() / 16);
}

TEST_F(DtuSimFault, LfOnlyEndsTheUnitsLinesWithLf) {
  Run({"--lf-only"});
  dtu_->Send(kBlanks);
  EXPECT_EQ(dtu_->ReadUntil("OK\n"), "RUN AT\nOK\n");
  dtu_->Send("AT+LOGIN=pilot\r");
  EXPECT_EQ(dtu_->ReadUntil("OK\n"), "AT+LOGIN=pilot\rOK\n");
  dtu_->Send("AT+GETPARAM=SPSV\r\n");
  EXPECT_EQ(dtu_->ReadUntil("OK\n"), "AT+GETPARAM=SPSV\r\nSPSV=3.1.2\nOK\n");
}

TEST_F(DtuSimFault, AValueContainingOkAndAKeywordEndingInId) {
  Run({"--value", "APN=BOOK", "--value", "DTUID=12"});
  ASSERT_TRUE(dtu_->WakeAndLogin());
  dtu_->Send("AT+GETPARAM?\r\n");
  const std::string reply = dtu_->ReadUntil("PROTO=0\r\nOK\r\n");
  EXPECT_NE(reply.find("\r\nAPN=BOOK\r\n"), std::string::npos);
  EXPECT_NE(reply.find("\r\nMBPFX=NULL\r\nDTUID=12\r\nID=1\r\n"), std::string::npos) << reply;
  EXPECT_EQ(Ask("AT+GETPARAM=DTUID\r\n"), "AT+GETPARAM=DTUID\r\nDTUID=12\r\nOK\r\n");
}

TEST_F(DtuSimFault, ReportModeRunsTheUnitInAnotherModeThanAsked) {
  Run({"--report-mode", "MUL"});
  ASSERT_TRUE(dtu_->WakeAndLogin());
  EXPECT_EQ(Ask("AT+USEDEFAULT=SIN\r\n"), "AT+USEDEFAULT=SIN\r\nOK\r\n");
  const std::string reply = Ask("AT+GETPARAM?\r\n");
  EXPECT_NE(reply.find("\r\nOPPRM=MUL\r\n"), std::string::npos);
  EXPECT_NE(reply.find("ID=4\r\n"), std::string::npos);
}

TEST_F(DtuSimFault, CsqReportsTheGivenSignal) {
  Run({"--csq", "99"});
  ASSERT_TRUE(dtu_->WakeAndLogin());
  EXPECT_EQ(Ask("AT+CSQ\r\n"), "AT+CSQ\r\n+CSQ: 99,99\r\nOK\r\n");
}

TEST_F(DtuSimFault, NoReadyBootsWithoutTheReadyText) {
  Run({"--no-ready", "--boot-delay", "20"});
  ASSERT_TRUE(dtu_->WakeAndLogin());
  dtu_->Send("AT+RESET\r\n");
  const std::string boot = dtu_->ReadUntil("Revision: ZR3100_S3_3.1.2\r\n");
  EXPECT_EQ(boot.substr(0, 14), "AT+RESET\r\nOK\r\n");
  EXPECT_EQ(dtu_->ReadFor(300ms), "");
}

TEST_F(DtuSimFault, HugeReplyGrowsTheQueryBeyond40960Bytes) {
  Run({"--huge-reply"});
  ASSERT_TRUE(dtu_->WakeAndLogin());
  const std::string reply = Ask("AT+GETPARAM?\r\n");
  EXPECT_GT(reply.size(), 40960u);
  EXPECT_EQ(reply.find("OK\r\n"), reply.size() - 4);
}

TEST_F(DtuSimFault, HangupAfterDropsTheLineAfterNBytes) {
  Run({"--hangup-after", "10"});
  dtu_->Send(kBlanks);
  EXPECT_EQ(dtu_->ReadUntil("RUN AT\r\nOK"), "RUN AT\r\nOK");
  EXPECT_TRUE(dtu_->HungUp());
  EXPECT_EQ(sim_.WaitForExit(), 0);
  EXPECT_EQ(sim_.SentBytes(), "RUN AT\r\nOK");
  EXPECT_EQ(sim_.WireLog().back().bytes, "line dropped after 10 bytes sent");
}

}  // namespace
}  // namespace zt::test
