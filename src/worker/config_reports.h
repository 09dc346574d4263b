// What the configuration worker tells the frame. Every call is synchronous:
// the worker goes on only when the receiver has handled the report (the GUI
// blocks the worker on a queued call into the UI thread; the CLI prints).
// Texts are GBK and carry their own line ends; the receiver copies them.
#pragma once

#include <string_view>

#include "serial/at_transaction.h"
#include "worker/worker_progress.h"

namespace zt {

class IConfigReports : public ITransactionReports {
 public:
  // Log(line): WM_CFG_LOG, one run-log entry.
  // Done(value): WM_CFG_DONE, 1 when a query read the values, 0 on failure or abort.
  virtual void Ready() = 0;                 // WM_CFG_READY: the catalogue was reloaded after a connect
  virtual void ModeIndex(int index) = 0;    // WM_CFG_MODE_INDEX: selector index of the mode the DTU reports
  virtual void DtuConnected() = 0;          // WM_DTU_CONNECTED: the DTU answered the wake-up

  // Not a message of the frame's: called when a command has run to its end,
  // with whether it succeeded. The command-line front end decides its exit
  // status from it; the GUI ignores it.
  virtual void CommandFinished(unsigned /*message*/, bool /*succeeded*/) {}

  // Not a message of the frame's either: what the running command is doing
  // now, for a status display. It changes nothing on the wire or in the run
  // log; a receiver that shows nothing ignores it.
  virtual void Progress(const WorkerProgress& /*progress*/) {}
};

// When an operation's failure tells the frame it is over (WM_CFG_DONE 0).
// A transaction that is aborted or finds the port taken reports DONE 0
// itself (at_transaction.h); besides that, only the failures marked
// kLogAndDone here do. Every other failure logs its line and nothing more,
// and the frame keeps waiting for the operation's next report.
enum class FailureEnd { kLogOnly, kLogAndDone };

// Connect: a DTU that never wakes logs only; a refused login ends with DONE 0.
inline constexpr FailureEnd kNoWakeUpEnd = FailureEnd::kLogOnly;
inline constexpr FailureEnd kLoginFailedEnd = FailureEnd::kLogAndDone;
// Query: the whole-set answer missing or shorter than its echo ends with
// DONE 0; the channel pass ending early (no channel block, the work file, an
// abort between parameters) logs only.
inline constexpr FailureEnd kQueryUnansweredEnd = FailureEnd::kLogAndDone;
inline constexpr FailureEnd kChannelPassEnd = FailureEnd::kLogOnly;
// Set with channels: a refused channel selection ends with DONE 0. Nothing
// ticked, a refused parameter and a refused save log only, in both forms.
inline constexpr FailureEnd kSelectChannelEnd = FailureEnd::kLogAndDone;
inline constexpr FailureEnd kSetFailedEnd = FailureEnd::kLogOnly;
// Restore defaults and restart log only.
inline constexpr FailureEnd kDefaultsOrRestartEnd = FailureEnd::kLogOnly;

// Logs `line`, then reports DONE 0 when `end` says so; returns false for
// `return EndWithFailure(...)`.
inline bool EndWithFailure(IConfigReports& reports, std::string_view line, FailureEnd end) {
  reports.Log(line);
  if (end == FailureEnd::kLogAndDone) reports.Done(0);
  return false;
}

}  // namespace zt
