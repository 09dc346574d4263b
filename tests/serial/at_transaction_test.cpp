#include "serial/at_transaction.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "serial/link_clock.h"
#include "serial_test_helpers.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::PtyPeer;

const std::string kWake(20, ' ');

std::string AtModeAbort() { return std::string("已切换到AT界面，故参数界面未完成的动作被迫终止!\r\n"_gbk); }
std::string PortClosedAbort() { return std::string("串口已关闭，故未完成的动作立即终止!\r\n"_gbk); }
std::string TestRunningAbort() { return std::string("配置测试正在进行，故参数界面的动作被迫终止!\r\n"_gbk); }

// The worker's side of a DTU on a pseudo-terminal.
class AtTransactionTest : public test::PortOnPeerTest {
 protected:
  void SetUp() override { ASSERT_TRUE(port_.Open()); }

  // The DTU answers `command` with `reply`.
  void Answer(const std::string& command, std::vector<std::string> reply, int skip = 0) {
    dtu_.AddRule({.when = command, .reply = std::move(reply), .skip = skip});
  }

  AtResult Send(std::optional<std::string_view> command, std::string_view expected, int limit,
           std::uint16_t attempts, const std::atomic<bool>* cancel = nullptr) {
    return SendAndWait(link_, command, expected, reply_, capacity_, length_, limit, attempts, cancel);
  }
  AtResult Resend(std::optional<std::string_view> command, std::string_view expected, int limit,
             const std::atomic<bool>* cancel = nullptr) {
    return ResendAndWait(link_, command, expected, reply_, capacity_, length_, limit, cancel);
  }
  AtResult Frame(std::optional<std::string_view> command, std::string_view expected, int limit,
            std::uint16_t attempts, const std::atomic<bool>* cancel = nullptr) {
    return FrameSendAndWait(port_, command, expected, reply_, capacity_, length_, limit, attempts, cancel);
  }

  // Everything the port sent before this call, once a marker written now has
  // arrived behind it.
  std::string Wire() {
    port_.Write(port_.PortLock(), "<end>");
    EXPECT_TRUE(dtu_.WaitForReceived("<end>"));
    const std::string received = dtu_.Received();
    return received.substr(0, received.size() - 5);
  }

  bool NoReports() const { return reports_.Lines().empty() && reports_.DoneValues().empty(); }

  std::mutex worker_lock_;
  test::RecordingReports reports_;
  WorkerLink link_{port_, worker_lock_, flags_, reports_};
  std::string reply_ = "untouched";
  std::size_t capacity_ = 40961;
  std::uint16_t length_ = 7777;
};

// ---- matching on the wire --------------------------------------------------

TEST_F(AtTransactionTest, SendAndWaitSendsTheCommandAndReturnsTheMatch) {
  Answer("AT+SETCHL=1\r\n", {"\r\nOK\r\n"});
  EXPECT_EQ(Send("AT+SETCHL=1\r\n", "OK", 10, 3), AtResult::kMatched);
  EXPECT_EQ(reply_, "OK");
  EXPECT_EQ(length_, 2);
  EXPECT_EQ(Wire(), "AT+SETCHL=1\r\n");
  EXPECT_TRUE(NoReports());
}

TEST_F(AtTransactionTest, LoginAndSaveGoOutWithCrAlone) {
  Answer("AT+LOGIN=pilot\r", {"\r\nOK\r\n"});
  Answer("AT+SAVEPARAM\r", {"\r\nOK\r\n"});
  EXPECT_EQ(Send("AT+LOGIN=pilot\r", "OK", 1, 20), AtResult::kMatched);
  EXPECT_EQ(Send("AT+SAVEPARAM\r", "OK", 3, 3), AtResult::kMatched);
  EXPECT_EQ(Wire(), "AT+LOGIN=pilot\rAT+SAVEPARAM\r");
}

TEST_F(AtTransactionTest, EmptyExpectedTextTakesEverythingUpToTheFirstOk) {
  Answer("AT+GETPARAM?\r\n", {"\r\nSPSV:3.1.0\r\n", "CSQ:25\r\n", "\r\nOK\r\n"});
  EXPECT_EQ(Send("AT+GETPARAM?\r\n", "", 60, 1), AtResult::kMatched);
  EXPECT_EQ(reply_, "\r\nSPSV:3.1.0\r\nCSQ:25\r\n\r\nOK");
  EXPECT_EQ(length_, reply_.size());
}

TEST_F(AtTransactionTest, EmptyExpectedTextWaitsOutAnError) {
  port_.SetLinkClock(LinkClock(20));
  Answer("AT+GETPARAM?\r\n", {"\r\nERROR\r\n"});
  EXPECT_EQ(Send("AT+GETPARAM?\r\n", "", 2, 1), AtResult::kTimedOut);
  EXPECT_EQ(reply_, "untouched");
  EXPECT_EQ(length_, 7777);
}

TEST_F(AtTransactionTest, OkBeforeTheExpectedTextDoesNotCount) {
  port_.SetLinkClock(LinkClock(20));
  Answer("AT+GETPARAM=SPSV\r\n", {"\r\nOK\r\nSPSV:3.1.0\r\n"});
  EXPECT_EQ(Send("AT+GETPARAM=SPSV\r\n", "SPSV", 2, 1), AtResult::kTimedOut);
}

TEST_F(AtTransactionTest, ErrorBeforeTheExpectedTextEndsAtOnceWithoutAnotherAttempt) {
  Answer("AT+SETPARAM=APN,cmnet\r\n", {"\r\nERROR\r\n"});
  EXPECT_EQ(Send("AT+SETPARAM=APN,cmnet\r\n", "OK", 3, 3), AtResult::kFailed);
  EXPECT_EQ(Wire(), "AT+SETPARAM=APN,cmnet\r\n");
  EXPECT_EQ(reply_, "untouched");
  EXPECT_TRUE(NoReports());
}

TEST_F(AtTransactionTest, ErrorAfterTheExpectedTextIsIgnored) {
  dtu_.AddRule({.when = "AT+GETPARAM=SPSV\r\n",
                .reply = {"\r\nSPSV:3\r\nERROR\r\n", "\r\nOK\r\n"},
                .gap = std::chrono::milliseconds(30)});
  EXPECT_EQ(Send("AT+GETPARAM=SPSV\r\n", "SPSV", 10, 1), AtResult::kMatched);
  EXPECT_EQ(reply_, "SPSV:3\r\nERROR\r\n\r\nOK");
}

TEST_F(AtTransactionTest, ExpectedTextSplitAcrossTwoReadsIsFound) {
  dtu_.AddRule({.when = kWake, .reply = {"\r\nRUN", " AT\r\nOK\r\n"}, .gap = std::chrono::milliseconds(40)});
  EXPECT_EQ(Send(kWake, "RUN AT", 10, 1), AtResult::kMatched);
  EXPECT_EQ(reply_, "RUN AT\r\nOK");
}

TEST_F(AtTransactionTest, ErrorSplitAcrossTwoReadsFails) {
  dtu_.AddRule({.when = "AT+SETCHL=9\r\n", .reply = {"\r\nERR", "OR\r\n"}, .gap = std::chrono::milliseconds(40)});
  EXPECT_EQ(Send("AT+SETCHL=9\r\n", "OK", 10, 3), AtResult::kFailed);
  EXPECT_EQ(Wire(), "AT+SETCHL=9\r\n");
}

TEST_F(AtTransactionTest, CopyIsBoundedByTheCallersCapacity) {
  Answer("AT+GETPARAM=SPSV\r\n", {"\r\nSPSV:3.1.0-build-2024\r\nOK\r\n"});
  capacity_ = 5;
  EXPECT_EQ(Send("AT+GETPARAM=SPSV\r\n", "SPSV", 10, 1), AtResult::kMatched);
  EXPECT_EQ(reply_, "SPSV:");
  EXPECT_EQ(length_, std::string("SPSV:3.1.0-build-2024\r\nOK").size());
}

TEST_F(AtTransactionTest, AbsentCommandOnlyWaits) {
  dtu_.Write("\r\nRUN AT\r\nOK\r\n", std::chrono::milliseconds(50));
  EXPECT_EQ(Send(std::nullopt, "RUN AT", 10, 1), AtResult::kMatched);
  EXPECT_EQ(Wire(), "");
}

// ---- attempts and limits ---------------------------------------------------

TEST_F(AtTransactionTest, ZeroAttemptsReturnWithoutTouchingThePort) {
  dtu_.Write("queued");
  ASSERT_TRUE(dtu_.WaitQueuedAtPort(6));
  EXPECT_EQ(Send("AT+RESET\r\n", "OK", 3, 0), AtResult::kTimedOut);
  EXPECT_EQ(dtu_.QueuedAtPort(), 6u);  // not purged
  EXPECT_EQ(Wire(), "");
}

TEST_F(AtTransactionTest, ZeroLimitSendsOncePerAttemptWithoutReading) {
  dtu_.AddRule({.when = "AT+RESET\r\n", .reply = {"\r\nOK\r\n"}, .times = 0});
  EXPECT_EQ(Send("AT+RESET\r\n", "OK", 0, 3), AtResult::kTimedOut);
  EXPECT_EQ(Wire(), "AT+RESET\r\nAT+RESET\r\nAT+RESET\r\n");
  EXPECT_EQ(reply_, "untouched");
}

TEST_F(AtTransactionTest, TimeOutSendsTheCommandOncePerAttempt) {
  port_.SetLinkClock(LinkClock(20));
  EXPECT_EQ(Send("AT+SETCHL=2\r\n", "OK", 1, 3), AtResult::kTimedOut);
  EXPECT_EQ(Wire(), "AT+SETCHL=2\r\nAT+SETCHL=2\r\nAT+SETCHL=2\r\n");
  EXPECT_EQ(reply_, "untouched");
  EXPECT_EQ(length_, 7777);
  EXPECT_TRUE(NoReports());
}

TEST_F(AtTransactionTest, AnswerToTheSecondAttemptSucceeds) {
  port_.SetLinkClock(LinkClock(20));
  Answer("AT+LOGIN=pilot\r", {"\r\nOK\r\n"}, /*skip=*/1);
  EXPECT_EQ(Send("AT+LOGIN=pilot\r", "OK", 1, 20), AtResult::kMatched);
  EXPECT_EQ(Wire(), "AT+LOGIN=pilot\rAT+LOGIN=pilot\r");
}

TEST_F(AtTransactionTest, AnswerLeftFromAnEarlierCommandIsPurged) {
  port_.SetLinkClock(LinkClock(20));
  dtu_.Write("\r\nOK\r\n");
  ASSERT_TRUE(dtu_.WaitQueuedAtPort(6));
  EXPECT_EQ(Send("AT+RESET\r\n", "OK", 2, 1), AtResult::kTimedOut);
}

TEST_F(AtTransactionTest, FullWindowTakesNothingMoreAndTimesOut) {
  dtu_.AddRule({.when = "AT+GETPARAM?\r\n", .reply = {std::string(kWorkerReplyWindow, 'x'), "\r\nOK\r\n"}});
  EXPECT_EQ(Send("AT+GETPARAM?\r\n", "", 2, 1), AtResult::kTimedOut);
  EXPECT_TRUE(dtu_.WaitQueuedAtPort(6));  // the "OK" stayed queued behind the full window
}

// ---- the wake-up cycle -----------------------------------------------------

TEST_F(AtTransactionTest, ResendAndWaitSucceedsOnTheThirdCycle) {
  Answer("AT+GETPARAM=SPSV\r\n", {"\r\nSPSV:3.1.0\r\nOK\r\n"}, /*skip=*/2);
  EXPECT_EQ(Resend("AT+GETPARAM=SPSV\r\n", "SPSV", 20), AtResult::kMatched);
  EXPECT_EQ(reply_, "SPSV:3.1.0\r\nOK");
  EXPECT_EQ(Wire(), "AT+GETPARAM=SPSV\r\nAT+GETPARAM=SPSV\r\nAT+GETPARAM=SPSV\r\n");
}

TEST_F(AtTransactionTest, ResendAndWaitWakesTheDtuWithTwentySpaces) {
  Answer(kWake, {"\r\nRUN AT\r\nOK\r\n"});
  EXPECT_EQ(Resend(kWake, "RUN AT", 20), AtResult::kMatched);
  EXPECT_EQ(reply_, "RUN AT\r\nOK");
  EXPECT_EQ(Wire(), kWake);
}

TEST_F(AtTransactionTest, ResendAndWaitGivesUpAtItsTotalLimit) {
  port_.SetLinkClock(LinkClock(4));
  EXPECT_EQ(Resend(kWake, "RUN AT", 2), AtResult::kTimedOut);
  EXPECT_GE(dtu_.CountReceived(kWake), 1u);
  EXPECT_EQ(reply_, "untouched");
}

TEST_F(AtTransactionTest, ResendAndWaitBelowOneSecondDoesNothing) {
  EXPECT_EQ(Resend(kWake, "RUN AT", 0), AtResult::kTimedOut);
  EXPECT_EQ(Wire(), "");
}

TEST_F(AtTransactionTest, ResendAndWaitFailsOnError) {
  Answer("AT+GETPARAM=SPSV\r\n", {"\r\nERROR\r\n"});
  EXPECT_EQ(Resend("AT+GETPARAM=SPSV\r\n", "SPSV", 20), AtResult::kFailed);
  EXPECT_EQ(Wire(), "AT+GETPARAM=SPSV\r\n");
}

// ---- aborts ------------------------------------------------------------------

TEST_F(AtTransactionTest, AtTerminalInUseAbortsBeforeSending) {
  flags_.at_mode = true;
  EXPECT_EQ(Send("AT+GETPARAM?\r\n", "", 60, 1), AtResult::kFailed);
  EXPECT_EQ(reports_.Lines(), std::vector<std::string>{AtModeAbort()});
  EXPECT_EQ(reports_.DoneValues(), std::vector<int>{0});
  EXPECT_EQ(Wire(), "");
}

TEST_F(AtTransactionTest, ClosedPortFlagAbortsBeforeSending) {
  flags_.port_closed = true;
  EXPECT_EQ(Resend(kWake, "RUN AT", 20), AtResult::kFailed);
  EXPECT_EQ(reports_.Lines(), std::vector<std::string>{PortClosedAbort()});
  EXPECT_EQ(reports_.DoneValues(), std::vector<int>{0});
  EXPECT_EQ(Wire(), "");
}

TEST_F(AtTransactionTest, AtModeIsCheckedBeforeThePortClosedFlag) {
  flags_.at_mode = true;
  flags_.port_closed = true;
  EXPECT_EQ(Send("AT+RESET\r\n", "OK", 3, 1), AtResult::kFailed);
  EXPECT_EQ(reports_.Lines(), std::vector<std::string>{AtModeAbort()});
  EXPECT_EQ(reports_.DoneValues(), std::vector<int>{0});
}

TEST_F(AtTransactionTest, SwitchToTheAtTerminalAbortsAWait) {
  AtResult result = AtResult::kTimedOut;
  std::thread worker([&] { result = Send("AT+GETPARAM?\r\n", "", 60, 1); });
  ASSERT_TRUE(dtu_.WaitForReceived("AT+GETPARAM?\r\n"));
  flags_.at_mode = true;
  worker.join();
  EXPECT_EQ(result, AtResult::kFailed);
  EXPECT_EQ(reports_.Lines(), std::vector<std::string>{AtModeAbort()});
  EXPECT_EQ(reports_.DoneValues(), std::vector<int>{0});
}

TEST_F(AtTransactionTest, CloseWhileATransactionPollsAbortsWithThePortClosedText) {
  AtResult result = AtResult::kTimedOut;
  std::thread worker([&] { result = Send("AT+GETPARAM?\r\n", "", 60, 1); });
  ASSERT_TRUE(dtu_.WaitForReceived("AT+GETPARAM?\r\n"));
  port_.Close();
  worker.join();
  EXPECT_EQ(result, AtResult::kFailed);
  EXPECT_EQ(reports_.Lines(), std::vector<std::string>{PortClosedAbort()});
  EXPECT_EQ(reports_.DoneValues(), std::vector<int>{0});
}

TEST_F(AtTransactionTest, CloseDuringTheWakeCycleAbortsWithThePortClosedText) {
  AtResult result = AtResult::kTimedOut;
  std::thread worker([&] { result = Resend(kWake, "RUN AT", 20); });
  ASSERT_TRUE(dtu_.WaitForReceived(kWake));
  port_.Close();
  worker.join();
  EXPECT_EQ(result, AtResult::kFailed);
  EXPECT_EQ(reports_.Lines(), std::vector<std::string>{PortClosedAbort()});
}

// ---- cancel ------------------------------------------------------------------

TEST_F(AtTransactionTest, CancelledBeforeTheStartSendsNothingAndReportsNothing) {
  const std::atomic<bool> cancel{true};
  EXPECT_EQ(Send("AT+RESET\r\n", "OK", 3, 1, &cancel), AtResult::kFailed);
  EXPECT_EQ(Resend(kWake, "RUN AT", 20, &cancel), AtResult::kFailed);
  EXPECT_EQ(Frame("AT+RESET\r\n", "OK", 3, 1, &cancel), AtResult::kFailed);
  EXPECT_EQ(Wire(), "");
  EXPECT_TRUE(NoReports());
}

TEST_F(AtTransactionTest, CancelEndsAWaitWithoutReports) {
  std::atomic<bool> cancel{false};
  AtResult result = AtResult::kTimedOut;
  std::thread worker([&] { result = Send("AT+GETPARAM?\r\n", "", 60, 1, &cancel); });
  ASSERT_TRUE(dtu_.WaitForReceived("AT+GETPARAM?\r\n"));
  cancel = true;
  worker.join();
  EXPECT_EQ(result, AtResult::kFailed);
  EXPECT_TRUE(NoReports());
}

TEST_F(AtTransactionTest, CancelEndsTheWakeCycle) {
  std::atomic<bool> cancel{false};
  AtResult result = AtResult::kTimedOut;
  std::thread worker([&] { result = Resend(kWake, "RUN AT", 20, &cancel); });
  ASSERT_TRUE(dtu_.WaitForReceived(kWake));
  cancel = true;
  worker.join();
  EXPECT_EQ(result, AtResult::kFailed);
  EXPECT_TRUE(NoReports());
}

// ---- one user of the port at a time --------------------------------------------

TEST_F(AtTransactionTest, WorkerTransactionsAreRefusedWhileATestRunHasThePort) {
  ASSERT_EQ(port_.TryClaim(PortUser::kProductionTest), ClaimResult::kTaken);
  EXPECT_EQ(Send("AT+GETPARAM?\r\n", "", 60, 1), AtResult::kPortBusy);
  EXPECT_EQ(Resend(kWake, "RUN AT", 20), AtResult::kPortBusy);
  EXPECT_EQ(reports_.Lines(), (std::vector<std::string>{TestRunningAbort(), TestRunningAbort()}));
  EXPECT_EQ(reports_.DoneValues(), (std::vector<int>{0, 0}));

  // The run's own exchanges go on; once it gives the port back the worker's do.
  dtu_.AddRule({.when = "AT+RESET\r\n", .reply = {"\r\nOK\r\n"}, .times = 0});
  EXPECT_EQ(Frame("AT+RESET\r\n", "OK", 3, 1), AtResult::kMatched);
  EXPECT_EQ(port_.Holder(), PortUser::kProductionTest);
  port_.Release(PortUser::kProductionTest);
  EXPECT_EQ(Send("AT+RESET\r\n", "OK", 3, 1), AtResult::kMatched);
  EXPECT_EQ(Wire(), "AT+RESET\r\nAT+RESET\r\n");
  EXPECT_EQ(port_.Holder(), PortUser::kNone);
}

TEST_F(AtTransactionTest, ATestRunWaitingForThePortEndsTheWorkersTransaction) {
  AtResult result = AtResult::kTimedOut;
  std::thread worker([&] { result = Send("AT+GETPARAM?\r\n", "", 60, 1); });
  ASSERT_TRUE(dtu_.WaitForReceived("AT+GETPARAM?\r\n"));
  // While the worker waits for its answer, the production test's form may
  // not put anything on the line.
  EXPECT_EQ(Frame("AT+RESET\r\n", "OK", 3, 1), AtResult::kPortBusy);
  const std::atomic<bool> cancel{false};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(port_.Claim(PortUser::kProductionTest, cancel));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  worker.join();
  EXPECT_EQ(result, AtResult::kPortBusy);
  EXPECT_EQ(reports_.Lines(), std::vector<std::string>{TestRunningAbort()});
  EXPECT_EQ(reports_.DoneValues(), std::vector<int>{0});
  EXPECT_EQ(port_.Holder(), PortUser::kProductionTest);
  EXPECT_EQ(Wire(), "AT+GETPARAM?\r\n");
}

TEST_F(AtTransactionTest, AClaimWaitEndsWithItsCancelAndTakesNothing) {
  ASSERT_EQ(port_.TryClaim(PortUser::kWorker), ClaimResult::kTaken);
  std::atomic<bool> cancel{false};
  bool claimed = true;
  std::thread run([&] { claimed = port_.Claim(PortUser::kProductionTest, cancel); });
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!port_.WantedByOther(PortUser::kWorker) && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const bool waited = port_.WantedByOther(PortUser::kWorker);
  cancel = true;
  run.join();
  EXPECT_TRUE(waited);
  EXPECT_FALSE(claimed);
  EXPECT_FALSE(port_.WantedByOther(PortUser::kWorker));
  EXPECT_EQ(port_.Holder(), PortUser::kWorker);
}

// ---- the production test's form ---------------------------------------------

TEST_F(AtTransactionTest, FrameSendAndWaitIgnoresTheWorkerFlags) {
  flags_.at_mode = true;
  flags_.port_closed = true;
  Answer("AT+GETPARAM=IMEI\r\n", {"\r\nIMEI:861234567890123\r\nOK\r\n"});
  EXPECT_EQ(Frame("AT+GETPARAM=IMEI\r\n", "IMEI", 5, 1), AtResult::kMatched);
  EXPECT_EQ(reply_, "IMEI:861234567890123\r\nOK");
  EXPECT_TRUE(NoReports());
}

TEST_F(AtTransactionTest, FrameSendAndWaitRetriesPerAttempt) {
  port_.SetLinkClock(LinkClock(20));
  Answer("AT+RESET\r\n", {"\r\nOK\r\n"}, /*skip=*/2);
  EXPECT_EQ(Frame("AT+RESET\r\n", "OK", 1, 3), AtResult::kMatched);
  EXPECT_EQ(Wire(), "AT+RESET\r\nAT+RESET\r\nAT+RESET\r\n");
}

TEST_F(AtTransactionTest, FrameSendAndWaitWindowHolds1024Bytes) {
  dtu_.AddRule({.when = "AT+GETPARAM?\r\n", .reply = {std::string(kFrameReplyWindow, 'x'), "\r\nOK\r\n"}});
  EXPECT_EQ(Frame("AT+GETPARAM?\r\n", "", 2, 1), AtResult::kTimedOut);
  EXPECT_TRUE(dtu_.WaitQueuedAtPort(6));
}

}  // namespace
}  // namespace zt
