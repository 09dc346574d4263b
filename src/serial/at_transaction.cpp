#include "serial/at_transaction.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "serial/link_clock.h"
#include "serial/reply_matcher.h"
#include "text/gbk_literal.h"

namespace zt {

using namespace zt::literals;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The worker reads, then waits 10 ms; the production test waits 20 ms, then
// reads. Either way a step ends as soon as bytes are there.
constexpr milliseconds kWorkerPollStep{10};
constexpr milliseconds kFramePollStep{20};
// The wake-up cycle: the DTU sees the command about twice a second.
constexpr milliseconds kResendCycle{500};
// How often a long wait looks at the cancel token.
constexpr milliseconds kCancelSlice{10};

std::string_view AtModeAbortText() { return "已切换到AT界面，故参数界面未完成的动作被迫终止!\r\n"_gbk; }
std::string_view PortClosedAbortText() { return "串口已关闭，故未完成的动作立即终止!\r\n"_gbk; }

bool Cancelled(const std::atomic<bool>* cancel) { return cancel != nullptr && cancel->load(); }

// One side's view of the port for the length of a transaction.
struct Side {
  CSerialPort& port;
  std::mutex& lock;
  PortUser user;
  const WorkerLink* worker;  // the worker's forms check the flags and report aborts
  const std::atomic<bool>* cancel;
};

// The end of a transaction that may not use the port (now or any more).
AtResult RefusePort(const Side& side) {
  if (side.worker != nullptr) {
    side.worker->reports.Log(WorkerPortBusyText());
    side.worker->reports.Done(0);
  }
  return AtResult::kPortBusy;
}

// The check before every attempt and every poll step: the result that ends
// the transaction now, if any.
std::optional<AtResult> StopNow(const Side& side) {
  if (Cancelled(side.cancel)) return AtResult::kFailed;
  // The device went away: no answer can come (the worker's forms see the
  // port-closed flag first and log their abort line).
  if (side.worker == nullptr) return side.port.Removed() ? std::optional<AtResult>(AtResult::kFailed) : std::nullopt;
  if (const std::optional<std::string_view> reason = WorkerAbortReason(side.worker->flags)) {
    side.worker->reports.Log(*reason);
    side.worker->reports.Done(0);
    return AtResult::kFailed;
  }
  // A production test run waits for the port: the worker gives it up.
  if (side.port.WantedByOther(side.user)) return RefusePort(side);
  return std::nullopt;
}

void Send(const Side& side, const std::optional<std::string_view>& command) {
  side.port.PurgeAll();
  if (command) side.port.Write(side.lock, *command);
}

// Waits up to `step` for bytes and reads what is queued into the window.
// Without bytes (an idle line, a closed port, a full window) the step lasts
// its whole length, so a poll loop never spins.
std::size_t PollStep(const Side& side, ReplyMatcher& matcher, milliseconds step) {
  const auto start = Clock::now();
  std::size_t got = 0;
  if (side.port.WaitReadable(static_cast<int>(step.count()))) {
    got = side.port.ReadQueued(side.lock, matcher.FreeSpace(), matcher.Room());
  }
  if (got == 0) std::this_thread::sleep_until(start + step);
  return got;
}

// Sleeps `length`; false as soon as the cancel token is set.
bool SleepUnlessCancelled(milliseconds length, const std::atomic<bool>* cancel) {
  if (cancel == nullptr) {
    std::this_thread::sleep_for(length);
    return true;
  }
  const auto end = Clock::now() + length;
  while (!cancel->load()) {
    const auto now = Clock::now();
    if (now >= end) return true;
    std::this_thread::sleep_until(std::min(end, now + kCancelSlice));
  }
  return false;
}

AtResult Matched(const ReplyMatcher& matcher, std::string& destination, std::size_t capacity,
            std::uint16_t& length_out) {
  const std::string_view text = matcher.Matched();
  length_out = static_cast<std::uint16_t>(text.size());
  destination.assign(text.substr(0, std::min(text.size(), capacity)));
  return AtResult::kMatched;
}

AtResult RunAttempts(const Side& side, std::size_t window, milliseconds step, std::optional<std::string_view> command,
                std::string_view expected, std::string& destination, std::size_t capacity,
                std::uint16_t& length_out, int time_limit_s, std::uint16_t attempts) {
  if (attempts == 0) return AtResult::kTimedOut;
  const PortClaim claim(side.port, side.user);
  if (!claim.held()) return RefusePort(side);
  ReplyMatcher matcher(expected, window);
  for (;;) {
    if (const auto stop = StopNow(side)) return *stop;
    matcher.Clear();
    Send(side, command);
    const LinkClock clock = side.port.LinkClock();
    const std::int64_t start = clock.Seconds();
    if (time_limit_s > 0) {
      for (;;) {
        if (const auto stop = StopNow(side)) return *stop;
        switch (matcher.Commit(PollStep(side, matcher, step))) {
          case ReplyState::kMatched: return Matched(matcher, destination, capacity, length_out);
          case ReplyState::kError: return AtResult::kFailed;
          case ReplyState::kWaiting: break;
        }
        if (clock.Seconds() - start >= time_limit_s) break;
      }
    }
    if (--attempts == 0) return AtResult::kTimedOut;
  }
}

}  // namespace

std::string_view WorkerPortBusyText() { return "配置测试正在进行，故参数界面的动作被迫终止!\r\n"_gbk; }

std::optional<std::string_view> WorkerAbortReason(const ProcessFlags& flags) {
  if (flags.at_mode.load()) return AtModeAbortText();
  if (flags.port_closed.load()) return PortClosedAbortText();
  return std::nullopt;
}

AtResult SendAndWait(const WorkerLink& link, std::optional<std::string_view> command, std::string_view expected,
                std::string& destination, std::size_t capacity, std::uint16_t& length_out, int time_limit_s,
                std::uint16_t attempts, const std::atomic<bool>* cancel) {
  const Side side{link.port, link.lock, PortUser::kWorker, &link, cancel};
  return RunAttempts(side, kWorkerReplyWindow, kWorkerPollStep, command, expected, destination, capacity,
                     length_out, time_limit_s, attempts);
}

AtResult FrameSendAndWait(CSerialPort& port, std::optional<std::string_view> command, std::string_view expected,
                     std::string& destination, std::size_t capacity, std::uint16_t& length_out, int time_limit_s,
                     std::uint16_t attempts, const std::atomic<bool>* cancel) {
  const Side side{port, port.PortLock(), PortUser::kProductionTest, nullptr, cancel};
  return RunAttempts(side, kFrameReplyWindow, kFramePollStep, command, expected, destination, capacity,
                     length_out, time_limit_s, attempts);
}

AtResult ResendAndWait(const WorkerLink& link, std::optional<std::string_view> command, std::string_view expected,
                  std::string& destination, std::size_t capacity, std::uint16_t& length_out, int time_limit_s,
                  const std::atomic<bool>* cancel) {
  if (time_limit_s < 1) return AtResult::kTimedOut;
  const Side side{link.port, link.lock, PortUser::kWorker, &link, cancel};
  const PortClaim claim(side.port, side.user);
  if (!claim.held()) return RefusePort(side);
  ReplyMatcher matcher(expected, kWorkerReplyWindow);
  const LinkClock clock = link.port.LinkClock();
  const std::int64_t start = clock.Seconds();
  for (;;) {
    if (const auto stop = StopNow(side)) return *stop;
    matcher.Clear();
    Send(side, command);
    // The whole answer has to come within the cycle: no early end here.
    if (!SleepUnlessCancelled(kResendCycle, cancel)) return AtResult::kFailed;
    const std::size_t got = link.port.ReadQueued(link.lock, matcher.FreeSpace(), matcher.Room());
    switch (matcher.Commit(got)) {
      case ReplyState::kMatched: return Matched(matcher, destination, capacity, length_out);
      case ReplyState::kError: return AtResult::kFailed;
      case ReplyState::kWaiting: break;
    }
    if (clock.Seconds() - start >= time_limit_s) return AtResult::kTimedOut;
  }
}

}  // namespace zt
