// Carries the configuration worker's reports to the UI thread. The worker
// calls the bridge on its own thread; each report runs on the UI thread as
// a blocking queued call, so the worker waits until the frame has handled
// it, as it must (a run-log line is copied before the worker goes on).
//
// The UI thread never waits for the worker except while it shuts the worker
// down, and then it keeps serving these calls (CMainFrame::Shutdown).
#pragma once

#include <string>
#include <string_view>

#include "worker/config_reports.h"

namespace zt::ui {

class WorkerReportsBridge final : public IConfigReports {
 public:
  // `ui_side` is called on the UI thread only.
  explicit WorkerReportsBridge(IConfigReports& ui_side) : ui_side_(ui_side) {}

  void Log(std::string_view gbk_line) override;
  void Done(int value) override;
  void Ready() override;
  void ModeIndex(int index) override;
  void DtuConnected() override;
  void CommandFinished(unsigned message, bool succeeded) override;
  void Progress(const WorkerProgress& progress) override;

 private:
  IConfigReports& ui_side_;
};

}  // namespace zt::ui
