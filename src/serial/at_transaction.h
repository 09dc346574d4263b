// AT transactions: send one command to the DTU and wait for its answer.
//
// A transaction ends in one of four ways, and returns an AtResult:
//   kMatched   (1)  the expected text arrived, followed by "OK" (see reply_matcher.h);
//   kTimedOut  (0)  the time limit passed (or there was nothing to do);
//   kFailed   (-1)  "ERROR" arrived before the expected text, or the wait was aborted;
//   kPortBusy (-2)  another user has the port (see below).
// Callers compare against kMatched and log their own failure line.
//
//   SendAndWait       the configuration worker's form: sends once per
//                     attempt, then polls every 10 ms (a step ends early when
//                     bytes arrive); the limit is per attempt.
//   ResendAndWait     the worker's form for waking a DTU: purges, sends, waits
//                     500 ms and reads once, over and over, until the total
//                     limit; the DTU's whole answer must arrive within one
//                     cycle. The 500 ms cadence is what the DTU sees on the
//                     wire, so it is kept however early bytes come.
//   FrameSendAndWait  the production test's form: as SendAndWait with a
//                     1024-byte window, 20 ms poll steps, the port lock, and
//                     no abort check.
//
// Every attempt purges the port before it sends, so a late answer to an
// earlier command never counts for this one. Commands go on the wire byte for
// byte with their own line ends (the login ends in CR alone, dtu_commands.h). Limits are
// whole seconds of the link clock (link_clock.h).
//
// Worker abort: before every attempt and every poll step the worker forms
// check the process flags, the AT mode first:
//   flags.at_mode      (the AT terminal is in use) logs
//                      "已切换到AT界面，故参数界面未完成的动作被迫终止!\r\n"
//   flags.port_closed  (the port was closed) logs
//                      "串口已关闭，故未完成的动作立即终止!\r\n"
// then reports.Done(0), and the result is -1. An abort before an attempt
// sends nothing.
//
// One user at a time: a transaction holds a claim on the port for its user
// (PortUser::kWorker for the worker's forms, kProductionTest for
// FrameSendAndWait) while it runs. When another user has the port, nothing
// is sent and the result is -2; the worker's forms then log
//                      "配置测试正在进行，故参数界面的动作被迫终止!\r\n"
// and report Done(0), as an abort does. A worker transaction that has the
// port gives it up the same way, at its next step, as soon as a production
// test run waits for it (CSerialPort::Claim).
//
// Cancel: every form also takes an optional token; once it reads true the
// transaction returns -1 within about 20 ms, with no run-log line and no
// report (the production test's Stop, the worker's shutdown at exit).
//
// The matched text (expected text through "OK") replaces `destination`, cut
// to `capacity` bytes; `length_out` receives its full length modulo 65536.
// Both are left alone unless the result is 1.
//
// Thread safety: a transaction blocks its calling thread. Transactions of one
// user may run on one port from different threads (each read and write takes
// its side's lock briefly; no lock is held across a transaction); those of
// two users exclude each other through the port's claim.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "serial/serial_port.h"
#include "settings/process_flags.h"

namespace zt {

// How a transaction ended. The numbers are the ones the tool has always
// used for them (see the top of this file) and stay so.
enum class AtResult : int { kMatched = 1, kTimedOut = 0, kFailed = -1, kPortBusy = -2 };

// Reply windows: the worker's forms accumulate up to 40960 bytes (a whole
// parameter query), the production test's form 1024.
inline constexpr std::size_t kWorkerReplyWindow = 40960;
inline constexpr std::size_t kFrameReplyWindow = 1024;

// How the worker's transactions report to the frame. The worker's own
// reports derive from it: Log is a run-log line (WM_CFG_LOG), Done the end of
// an operation (WM_CFG_DONE). Both are called on the worker thread and return
// when the frame has taken the report.
class ITransactionReports {
 public:
  virtual ~ITransactionReports() = default;
  virtual void Log(std::string_view gbk_line) = 0;
  virtual void Done(int value) = 0;
};

// The run-log line of a worker abort that the flags call for now (AT mode
// first, then the closed port), or nothing.
std::optional<std::string_view> WorkerAbortReason(const ProcessFlags& flags);

// The run-log line of a worker request that finds a production test run on
// the port.
std::string_view WorkerPortBusyText();

// What the worker's transactions work with.
struct WorkerLink {
  CSerialPort& port;
  std::mutex& lock;             // the worker's lock, taken around each read and write
  const ProcessFlags& flags;    // at_mode and port_closed end a transaction
  ITransactionReports& reports;
};

// `command` absent: nothing is sent, the call only waits. `attempts` 0
// returns 0 without touching the port; a `time_limit_s` of 0 or less sends
// once per attempt and does not read.
AtResult SendAndWait(const WorkerLink& link, std::optional<std::string_view> command, std::string_view expected,
                std::string& destination, std::size_t capacity, std::uint16_t& length_out, int time_limit_s,
                std::uint16_t attempts, const std::atomic<bool>* cancel = nullptr);

// `time_limit_s` is the total; less than 1 returns 0 without touching the port.
AtResult ResendAndWait(const WorkerLink& link, std::optional<std::string_view> command, std::string_view expected,
                  std::string& destination, std::size_t capacity, std::uint16_t& length_out, int time_limit_s,
                  const std::atomic<bool>* cancel = nullptr);

// Reads and writes under port.PortLock().
AtResult FrameSendAndWait(CSerialPort& port, std::optional<std::string_view> command, std::string_view expected,
                     std::string& destination, std::size_t capacity, std::uint16_t& length_out, int time_limit_s,
                     std::uint16_t attempts, const std::atomic<bool>* cancel = nullptr);

}  // namespace zt
