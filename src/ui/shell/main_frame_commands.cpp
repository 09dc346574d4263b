// The menu and toolbar commands.
#include <QComboBox>

#include "serial/port_texts.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"
#include "ui/bars/status_panes.h"
#include "ui/config/common_param_dlg.h"
#include "ui/shell/about_dlg.h"
#include "ui/shell/connection_dlg.h"
#include "ui/shell/main_frame.h"
#include "ui/shell/shell_texts.h"
#include "worker/config_request.h"
#include "worker/config_thread.h"

namespace zt::ui {

using namespace zt::literals;

void CMainFrame::OnConnectionSettings() {
  CConnectionDlg dialog(services_.settings, services_.flags, messages_, this, port_lister_);
  dialog.exec();
  RefreshCommandStates();
}

bool CMainFrame::OnOpenPort() {
  StoreDefaultPortNameIfEmpty(services_.settings);
  const PortResult opened = port_->Open();
  if (!opened) {
    // Nothing changes. What Linux adds to the reasons (permission, a
    // program that holds the port, no terminal, a speed) goes to the run log
    // too, where it stays after the box is gone.
    const std::string text = OpenFailureText(opened);
    if (opened.kind != PortErrorKind::kNoSuchDevice && opened.kind != PortErrorKind::kOther) AddLogLine(text);
    messages_.ShowMessage(text, PortCaptionText(), MessageIcon::kError);
    return false;
  }
  const std::string name = port_->OpenedPortName();
  AddLogLine(Format("打开%s成功"_gbk, name));
  for (const std::string& notice : opened.notices) AddLogLine(notice);
  EnterPortOpenState(name);
  return true;
}

void CMainFrame::EnterPortOpenState(const std::string& port_name) {
  opened_port_name_ = port_name;
  SetPaneText(kPanePort, port_name + std::string(": 打开"_gbk));
  services_.commands.OnPortOpened();
  RefreshCommandStates();
}

void CMainFrame::OnClosePort() {
  port_->Close();
  AddLogLine(Format("关闭%s成功"_gbk, opened_port_name_));
  EnterPortClosedState();
}

void CMainFrame::EnterPortClosedState() {
  SetPaneText(kPanePort, opened_port_name_ + std::string(": 关闭"_gbk));
  SetPaneText(kPaneConnection, status_texts::kNotConnected);
  services_.commands.OnPortClosed();
  connected_ = false;
  SetSelectorEnabled(false);
  RefreshCommandStates();
}

// The port closed itself when its device went away; its flags say so
// already. The window shows the closed port with one line for the cause.
void CMainFrame::HandlePortRemoved(const std::string& port_name) {
  AddLogLine(DeviceRemovedText(port_name));
  EnterPortClosedState();
}

void CMainFrame::HandlePortReturned(const std::string& port_name) {
  AddLogLine(DeviceReturnedText(port_name));
  EnterPortOpenState(port_name);
}

void CMainFrame::OnParameterView() {
  at_mode_ = false;
  services_.flags.at_mode.store(false);
  if (!SwitchView(kViewConfig)) return;  // the page on screen must stay
  AddLogLine("处于参数配置界面!"_gbk);
  RefreshParameterCommands();
}

// A worker transaction that runs now sees the AT mode and ends with its
// abort line; the terminal then has the port to itself.
void CMainFrame::OnAtView() {
  const bool was_at_mode = at_mode_;
  at_mode_ = true;
  services_.flags.at_mode.store(true);
  if (!SwitchView(kViewSerial)) {
    at_mode_ = was_at_mode;
    services_.flags.at_mode.store(was_at_mode);
    return;
  }
  AddLogLine("处于AT界面!"_gbk);
  services_.commands.OnAtView();
  SetSelectorEnabled(false);
  RefreshCommandStates();
}

void CMainFrame::OnTestView() { SwitchView(kViewTest); }

void CMainFrame::OnMultiTestView() { SwitchView(kViewMultiTest); }

void CMainFrame::OnRecordsView() { SwitchView(kViewRecords); }

void CMainFrame::OnConnectDtu() { PostToWorker(ConnectRequest{CurrentMode()}); }

void CMainFrame::OnQuery() { PostToWorker(QueryRequest{CurrentMode()}); }

void CMainFrame::OnSet() { PostToWorker(SetWithChannelsRequest{CurrentMode()}); }

// On the parameter view the command is the view's button: its question,
// then restore defaults and the query in the selector's mode. Elsewhere it
// restores without a mode: a DTU of the earlier generation takes
// "AT+USEDEFAULT", on the later one the worker logs the mode error and
// sends nothing.
void CMainFrame::OnDefaults() {
  if (page_ && page_->DefaultsCommand()) return;
  PostToWorker(DefaultsRequest{std::nullopt});
}

void CMainFrame::OnRestart() { PostToWorker(RestartRequest{}); }

void CMainFrame::OnSelectAll() {
  if (page_) page_->SelectAllCommand();
}

void CMainFrame::OnImport() {
  if (page_) page_->ImportCommand();
}

void CMainFrame::OnExport() {
  if (page_) page_->ExportCommand();
}

void CMainFrame::OnExit() {
  // Ends at once: no question, nothing saved, also not by the page on
  // screen when it goes with the window (the AT view's quick-send panel).
  if (page_) page_->EndWithoutSaving();
  if (exit_handler_) exit_handler_(kExitCommandStatus);
}

void CMainFrame::OnAbout() {
  CAboutDlg dialog(this);
  dialog.exec();
}

void CMainFrame::OnCommonParams() {
  // The page shows the common group again if that is the group on screen.
  if (RunCommonParamDlg(*this, this) && page_) page_->CommonParamsChanged();
}

void CMainFrame::OnModeSelected(int index) {
  // Picking the entry already shown changes nothing.
  if (index == selector_rest_index_) return;
  if (connected_ && (!confirmed_mode_index_ || index != *confirmed_mode_index_)) {
    if (!AskQuestion(
            this,
            "通道模式发生变化，使用新的通道模式，DTU参数将恢复到默认值，请确认是否使用新的通道模式？"_gbk,
            kAppName, QuestionButtons::kYesNo, MessageIcon::kNone)) {
      SetSelectorIndex(selector_rest_index_);
      return;
    }
    PostRestoreDefaults(ModeFromSelector(index));
  }
  // The mode counts as current only once the worker reports it.
  selector_rest_index_ = index;
  if (page_) page_->OnModeSelectorChanged();
}

}  // namespace zt::ui
