// CMainFrame: the tool's main window. It owns the serial port, the
// configuration worker and the one page shown (the parameter view first),
// turns every menu and toolbar command into an action, handles the worker's
// reports on the UI thread, and keeps every command's enabled state in the
// CommandStateTable.
//
// Threads: everything here runs on the UI thread. The worker's reports
// arrive through a WorkerReportsBridge (a blocking queued call each); the
// frame posts to the worker and never waits for it, except in Shutdown,
// which keeps serving the worker's reports while it waits.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "params/shared_catalogue.h"
#include "serial/serial_port.h"
#include "settings/command_state_table.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "settings/window_state.h"
#include "ui/shell/frame_context.h"
#include "ui/shell/qt_message_box.h"
#include "ui/shell/view_base.h"
#include "ui/shell/view_factory.h"
#include "worker/config_reports.h"

class QAction;
class QComboBox;
class QLabel;
class QTimer;
class QToolBar;

namespace zt {
class CConfigThread;
}

namespace zt::ui {

class CCoolBar;
class CLogListBox;
class CProgressPane;
class CStatusPanes;
class PortEventsBridge;
class WorkerReportsBridge;

// Command ids of the menu and the toolbar.
enum CommandId : int {
  kIdConnectionSettings = 32771,
  kIdOpenPort = 32772,
  kIdClosePort = 32773,
  kIdParameterView = 32774,
  kIdAtView = 32776,
  kIdTestView = 32777,
  kIdMultiTestView = 32778,
  kIdRecordsView = 32810,
  kIdShowHideRunLog = 32780,
  kIdImport = 32784,
  kIdExport = 32785,
  kIdExit = 32786,
  kIdSelectAll = 32791,
  kIdQuery = 32793,
  kIdSet = 32794,
  kIdDefaults = 32795,
  kIdRestart = 32796,
  kIdConnectDtu = 32800,
  kIdDockRunLog = 32801,
  kIdCommonParams = 32802,
  kIdAbout = 57664,
  kToolConnectionSettings = 2004,
  kToolOpenPort = 2005,
  kToolClosePort = 2006,
  kToolConnectDtu = 2008,
  kToolParameterView = 2009,
  kToolAtView = 2010,
};

// The exit command's status.
inline constexpr int kExitCommandStatus = 112;

// The process-wide objects the frame works with (tests give their own).
struct FrameServices {
  SharedCatalogue& catalogue;
  ProcessFlags& flags;
  ToolSettingsStore& settings;
  CommandStateTable& commands;

  static FrameServices Globals();
};

struct FrameOptions {
  std::optional<std::string> port_override;       // replaces the settings file's port at the first show
  std::string catalogue_folder;                   // empty: beside the program
  std::optional<std::string> settings_file;       // empty: tool_set.ini beside the program
  std::string work_folder;                        // for the query's work file; empty: $TMPDIR, else /tmp
  std::string quick_send_file = std::string(kQuickSendFile);  // the AT view's cmd.ini
  std::string terminal_logs = TerminalLogFolder();            // the AT view's log files
  std::string records_file;                                   // the production records; "" keeps none
  ViewFactory view_factory;                       // empty: the tool's pages (CreateView)
};

class CMainFrame : public QMainWindow, public IFrameContext {
  Q_OBJECT

 public:
  CMainFrame(FrameServices services, FrameOptions options, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // IFrameContext
  int SelectorIndex() const override;
  bool IsConnected() const override { return connected_; }
  bool IsAtMode() const override { return at_mode_; }
  void PostToWorker(const ConfigRequest& request) override;
  void AddLogLine(std::string_view gbk) override;
  void RefreshParameterCommands() override;
  SharedCatalogue& Catalogue() override { return services_.catalogue; }
  ProcessFlags& Flags() override { return services_.flags; }
  CSerialPort& Port() override { return *port_; }
  ToolSettingsStore& Settings() override { return services_.settings; }
  IMessageBox& Messages() override { return messages_; }
  ICatalogueErrors& CatalogueErrors() override { return *catalogue_errors_; }
  const std::string& CatalogueFolder() const override { return catalogue_folder_; }
  std::string QuickSendFile() const override { return options_.quick_send_file; }
  std::string TerminalLogs() const override { return options_.terminal_logs; }
  std::string RecordsFile() const override { return options_.records_file; }
  CommandStateTable& Commands() override { return services_.commands; }
  void TestRunChanged(bool running) override;

  // The commands (menu and toolbar), callable directly.
  void OnConnectionSettings();
  bool OnOpenPort();
  void OnClosePort();
  void OnParameterView();
  void OnAtView();
  void OnTestView();
  void OnMultiTestView();
  void OnRecordsView();
  void OnConnectDtu();
  void OnQuery();
  void OnSet();
  void OnDefaults();
  void OnRestart();
  void OnSelectAll();
  void OnImport();
  void OnExport();
  void OnExit();
  void OnAbout();
  // "常用配置参数(&P)": the common-parameters manager.
  void OnCommonParams();
  // The run-log bar's commands: neither has a menu item; they are kept for
  // the pages and later toolbars.
  void ToggleRunLog();
  void DockRunLog();
  // The operator picked a channel mode in the selector.
  void OnModeSelected(int index);

  // Replaces the page by a fresh one for `view_id` (after asking the current
  // page whether it may be left). False when the page stays.
  bool SwitchView(int view_id);
  CViewBase* CurrentPage() const { return page_.data(); }

  // Sets every action's enabled state from the CommandStateTable.
  void RefreshCommandStates();

  // The action of a command id (menu or toolbar), or nullptr.
  QAction* CommandAction(int command_id) const;
  QComboBox* ModeSelector() const { return selector_; }
  CLogListBox* RunLog() const { return run_log_; }
  CCoolBar* RunLogBar() const { return run_log_bar_; }
  QString PaneText(int pane) const;
  // The status bar's progress of the running worker command.
  CProgressPane* ProgressPane() const { return progress_pane_; }
  void SetPaneText(int pane, std::string_view gbk);
  // The channel-mode index the worker last confirmed, if any.
  std::optional<int> ConfirmedModeIndex() const { return confirmed_mode_index_; }

  // How the exit command ends the program; tests replace it.
  void SetExitHandler(std::function<void(int)> handler) { exit_handler_ = std::move(handler); }
  // How the port list of the connection dialog is probed; tests replace it.
  void SetPortLister(std::function<std::vector<PortInfo>()> lister) { port_lister_ = std::move(lister); }

  // True when the worker has nothing queued or running.
  bool WorkerIsIdle();

  // Stops and joins the worker, serving its reports meanwhile, and closes
  // the port. Runs once; the destructor runs it too.
  void Shutdown();

 signals:
  // A worker command has run to its end (after all its reports).
  void workerCommandFinished(unsigned message, bool succeeded);
  // The worker's reports, after the frame has handled them.
  void workerDone(int value);
  void workerReady();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  class FrameReports;
  friend class FrameReports;

  // Building the window (main_frame_bars.cpp).
  void BuildStatusBar();
  void BuildRunLogBar();
  void BuildToolBar();
  void BuildMenus();
  QAction* MakeCommand(int command_id, std::string_view gbk_text, std::function<void()> handler);

  // The worker's reports on the UI thread (main_frame_reports.cpp).
  void HandleLog(std::string_view gbk_line);
  void HandleDone(int value);
  void HandleReady();
  void HandleModeIndex(int index);
  void HandleDtuConnected();
  void HandleCommandFinished(unsigned message, bool succeeded);
  void HandleProgress(const WorkerProgress& progress);

  // What the window remembers (window_memory.h): read when it is built,
  // applied at the first show, written when it closes.
  void RestorePage(int view_id);
  void SaveWindowState();

  // The port's own reports (port_events_bridge.h), on the UI thread.
  void HandlePortRemoved(const std::string& port_name);
  void HandlePortReturned(const std::string& port_name);
  // The frame's state of an open port, and of a closed one (panes, commands,
  // connection), after the port has opened or closed.
  void EnterPortOpenState(const std::string& port_name);
  void EnterPortClosedState();

  void SetSelectorIndex(int index);
  void SetSelectorEnabled(bool enabled);
  void UpdateClock();

  FrameServices services_;
  FrameOptions options_;
  std::string catalogue_folder_;
  QtMessageBox messages_;
  std::unique_ptr<QtCatalogueErrors> catalogue_errors_;
  std::unique_ptr<PortEventsBridge> port_events_;
  std::unique_ptr<CSerialPort> port_;
  std::unique_ptr<FrameReports> frame_reports_;
  std::unique_ptr<WorkerReportsBridge> bridge_;
  std::unique_ptr<CConfigThread> worker_;
  bool shut_down_ = false;

  // Bars and controls.
  std::unique_ptr<CStatusPanes> panes_;
  CProgressPane* progress_pane_ = nullptr;
  CCoolBar* run_log_bar_ = nullptr;
  CLogListBox* run_log_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  QLabel* mode_label_ = nullptr;
  QComboBox* selector_ = nullptr;
  QAction* mode_label_action_ = nullptr;
  QAction* selector_action_ = nullptr;
  std::map<int, QAction*> actions_;
  QTimer* clock_ = nullptr;

  // The page shown.
  QPointer<CViewBase> page_;

  // Frame state.
  std::string opened_port_name_;
  bool connected_ = false;
  bool at_view_showing_ = false;
  bool at_mode_ = false;
  bool shown_once_ = false;
  std::optional<int> confirmed_mode_index_;  // none until the worker reports a mode
  int selector_rest_index_ = 0;              // the selection the page was built for
  bool selector_enabled_ = false;            // as the frame's state says, a test run aside
  WindowState remembered_;                   // as the settings file had it at the start

  std::function<void(int)> exit_handler_;
  std::function<std::vector<PortInfo>()> port_lister_;
};

}  // namespace zt::ui
