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

}  // namespace zt
