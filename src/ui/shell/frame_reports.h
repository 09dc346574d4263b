// The frame's side of the worker's reports: on the UI thread, each report
// goes to the frame's handler. Private to the frame's files.
#pragma once

#include "ui/shell/main_frame.h"
#include "worker/config_reports.h"

namespace zt::ui {

class CMainFrame::FrameReports final : public IConfigReports {
 public:
  explicit FrameReports(CMainFrame& frame) : frame_(frame) {}
  void Log(std::string_view gbk_line) override { frame_.HandleLog(gbk_line); }
  void Done(int value) override { frame_.HandleDone(value); }
  void Ready() override { frame_.HandleReady(); }
  void ModeIndex(int index) override { frame_.HandleModeIndex(index); }
  void DtuConnected() override { frame_.HandleDtuConnected(); }
  void CommandFinished(unsigned message, bool succeeded) override {
    frame_.HandleCommandFinished(message, succeeded);
  }
  void Progress(const WorkerProgress& progress) override { frame_.HandleProgress(progress); }

 private:
  CMainFrame& frame_;
};

}  // namespace zt::ui
