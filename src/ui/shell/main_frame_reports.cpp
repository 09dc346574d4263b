// The worker's reports, handled on the UI thread while the worker waits.
#include <QComboBox>
#include <QLabel>

#include "text/gbk_literal.h"
#include "ui/bars/progress_pane.h"
#include "ui/bars/status_panes.h"
#include "ui/shell/main_frame.h"
#include "worker/front_end_rules.h"

namespace zt::ui {

using namespace zt::literals;

void CMainFrame::HandleLog(std::string_view gbk_line) { AddLogLine(gbk_line); }

void CMainFrame::HandleDone(int value) {
  if (value == 1 && page_) page_->OnQueryDone();
  emit workerDone(value);
}

void CMainFrame::HandleReady() {
  if (page_) page_->OnConnectReady();
  // The channel modes exist on the later firmware generation only.
  const bool s3 = IsS3(services_.flags);
  mode_label_action_->setVisible(s3);
  selector_action_->setVisible(s3);
  emit workerReady();
}

void CMainFrame::HandleModeIndex(int index) {
  // The mode the DTU runs in is confirmed, also when the selector shows it
  // already.
  confirmed_mode_index_ = index;
  const std::optional<QueryRequest> query = FollowReportedMode(SelectorIndex(), index);
  if (!query) return;
  SetSelectorIndex(index);
  if (page_) page_->OnModeIndexChanged(*query);
}

void CMainFrame::HandleDtuConnected() {
  SetPaneText(kPaneConnection, status_texts::kConnected);
  connected_ = true;
  services_.commands.OnDtuConnected();
  SetSelectorEnabled(true);
  if (!at_mode_ && page_) page_->OnDtuConnected();
  RefreshCommandStates();
}

void CMainFrame::HandleCommandFinished(unsigned message, bool succeeded) {
  emit workerCommandFinished(message, succeeded);
}

void CMainFrame::HandleProgress(const WorkerProgress& progress) { progress_pane_->ShowProgress(progress); }

}  // namespace zt::ui
