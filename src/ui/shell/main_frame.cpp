// The frame's life: construction, the first show, the exit question, the
// clock, the page switch and the shutdown of the worker.
#include "ui/shell/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QStyle>
#include <QTime>
#include <QTimer>
#include <chrono>

#include "common/program_path.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"
#include "ui/bars/cool_bar.h"
#include "ui/bars/log_list_box.h"
#include "ui/bars/status_panes.h"
#include "ui/common/qt_text.h"
#include "serial/port_texts.h"
#include "ui/shell/frame_reports.h"
#include "ui/shell/port_events_bridge.h"
#include "ui/shell/shell_texts.h"
#include "ui/shell/window_memory.h"
#include "ui/shell/worker_reports_bridge.h"
#include "ui/terminal/view_serial.h"
#include "worker/config_thread.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

constexpr int kClockPeriodMs = 1000;
// The window opens at this size and may grow from it.
constexpr int kWindowWidth = 920;
constexpr int kWindowHeight = 690;
constexpr int kWindowX = 60;
constexpr int kWindowY = 5;

}  // namespace

FrameServices FrameServices::Globals() {
  return FrameServices{GlobalCatalogue(), GlobalFlags(), GlobalToolSettings(), GlobalCommandStates()};
}

CMainFrame::CMainFrame(FrameServices services, FrameOptions options, QWidget* parent)
    : QMainWindow(parent),
      services_(services),
      options_(std::move(options)),
      catalogue_folder_(options_.catalogue_folder.empty() ? ProgramDirectory() : options_.catalogue_folder),
      messages_(this) {
  setObjectName(QStringLiteral("main_frame"));
  setWindowTitle(Qs(kAppTitle));
  setWindowIcon(QApplication::style()->standardIcon(QStyle::SP_ComputerIcon));
  // No maximise box; the window opens at its smallest size and may grow.
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  setMinimumSize(kWindowWidth, kWindowHeight);
  setGeometry(kWindowX, kWindowY, kWindowWidth, kWindowHeight);

  catalogue_errors_ =
      std::make_unique<QtCatalogueErrors>(messages_, [this](std::string_view line) { AddLogLine(line); });
  port_events_ = std::make_unique<PortEventsBridge>(
      this, [this](const std::string& name) { HandlePortRemoved(name); },
      [this](const std::string& name) { HandlePortReturned(name); });
  port_ = std::make_unique<CSerialPort>(services_.settings, services_.flags);
  port_->SetEvents(port_events_.get());
  frame_reports_ = std::make_unique<FrameReports>(*this);
  bridge_ = std::make_unique<WorkerReportsBridge>(*frame_reports_);
  worker_ = std::make_unique<CConfigThread>(WorkerEnvironment{*port_, services_.catalogue, services_.settings,
                                                              services_.flags, *bridge_, *catalogue_errors_,
                                                              catalogue_folder_, options_.work_folder});
  exit_handler_ = [](int status) { QCoreApplication::exit(status); };

  BuildStatusBar();
  BuildRunLogBar();
  BuildToolBar();
  BuildMenus();

  // The settings' defaults and path; the file itself is read at the first show.
  if (options_.settings_file) {
    ResetToolSettings(services_.settings, *options_.settings_file);
  } else {
    ResetToolSettings(services_.settings);
  }
  // The window opens where it was (section "WINDOW" of the same file).
  remembered_ = ReadWindowState(services_.settings.Get().settings_path);
  RestoreWindowPlace(*this, remembered_);

  at_view_showing_ = false;
  worker_->Start();
  services_.commands.OnFrameCreated();

  clock_ = new QTimer(this);
  clock_->setObjectName(QStringLiteral("clock_timer"));
  clock_->setInterval(kClockPeriodMs);
  connect(clock_, &QTimer::timeout, this, &CMainFrame::UpdateClock);
  clock_->start();

  // The first page: the parameter view.
  SwitchView(kViewConfig);
  RefreshCommandStates();
}

CMainFrame::~CMainFrame() { Shutdown(); }

bool CMainFrame::WorkerIsIdle() { return worker_->WaitIdle(std::chrono::milliseconds(0)); }

void CMainFrame::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  if (clock_ != nullptr) clock_->stop();
  // The page goes first: its own threads (a production test run, the AT
  // terminal's) use the port and the catalogue.
  delete takeCentralWidget();
  // A report may be on its way to this thread: keep serving the worker's
  // blocking calls until it has ended.
  worker_->RequestStop();
  while (!worker_->WaitStopped(std::chrono::milliseconds(20))) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
  }
  port_->SetEvents(nullptr);
  port_->Close();
}

// --- IFrameContext ---------------------------------------------------------

int CMainFrame::SelectorIndex() const { return selector_ != nullptr ? selector_->currentIndex() : -1; }

void CMainFrame::PostToWorker(const ConfigRequest& request) { worker_->Post(request); }

void CMainFrame::AddLogLine(std::string_view gbk) { run_log_->AddLine(gbk); }

void CMainFrame::TestRunChanged(bool running) {
  IFrameContext::TestRunChanged(running);
  SetSelectorEnabled(selector_enabled_);
  RefreshCommandStates();
}

void CMainFrame::RefreshParameterCommands() {
  services_.commands.OnParameterViewRefresh(services_.flags.port_open.load(), connected_);
  SetSelectorEnabled(connected_);
  RefreshCommandStates();
}

// --- Window events -----------------------------------------------------------

void CMainFrame::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_once_) return;
  shown_once_ = true;
  services_.commands.OnFirstShow();
  ReadToolSettings(services_.settings);
  if (options_.port_override) {
    services_.settings.Update([&](ToolSettings& s) { s.port_name = *options_.port_override; });
  }
  // The port pane names the port in force from the start.
  SetPaneText(kPanePort, status_texts::PortNotOpenedText(services_.settings.Get().port_name));
  AddLogLine("欢迎使用Tolvane 合并版 管理工具"_gbk);
  RefreshCommandStates();
  RestoreRunLogHeight(*this, *run_log_bar_, remembered_);
  if (remembered_.page) RestorePage(*remembered_.page);
}

void CMainFrame::RestorePage(int view_id) {
  // Through the page's own command, as the operator would choose it.
  if (view_id == kViewSerial) {
    OnAtView();
  } else if (view_id == kViewTest) {
    OnTestView();
  } else if (view_id == kViewMultiTest) {
    OnMultiTestView();
  } else if (view_id == kViewRecords) {
    OnRecordsView();
  }
}

void CMainFrame::SaveWindowState() {
  if (!page_) return;
  WriteWindowState(services_.settings.Get().settings_path,
                   CaptureWindowState(*this, *run_log_bar_, page_->ViewId()));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // A production test run keeps the window open until it is stopped.
  if (page_ && !page_->CanLeave()) {
    event->ignore();
    return;
  }
  // The quick-send panel is saved before the question, also when it is cancelled.
  if (auto* terminal = qobject_cast<CViewSerial*>(page_.data()); at_view_showing_ && terminal != nullptr) {
    terminal->SaveQuickSend();
  }
  if (!AskQuestion(this, "确认要退出系统吗?"_gbk, kAppTitle, QuestionButtons::kOkCancel,
                   MessageIcon::kQuestion)) {
    event->ignore();
    return;
  }
  services_.flags.exiting.store(true);
  SaveWindowState();
  event->accept();
}

void CMainFrame::UpdateClock() {
  const QTime now = QTime::currentTime();
  SetPaneText(kPaneClock, Format("%02d:%02d:%02d", now.hour(), now.minute(), now.second()));
  // The pages may have changed entries of their own since the last refresh.
  RefreshCommandStates();
}

QString CMainFrame::PaneText(int pane) const { return panes_->PaneText(pane); }

void CMainFrame::SetPaneText(int pane, std::string_view gbk) { panes_->SetPaneText(pane, gbk); }

// --- Pages -------------------------------------------------------------------

bool CMainFrame::SwitchView(int view_id) {
  if (page_ && !page_->CanLeave()) return false;
  if (view_id == kViewConfig) {
    at_view_showing_ = false;
    // Does nothing unless the port is open.
    const PortResult reopened = port_->ReopenForConfig();
    if (reopened) {
      StoreConfigLineFormat(services_.settings);
    } else if (reopened.kind != PortErrorKind::kNotOpen) {
      messages_.ShowMessage(ReopenFailureText(reopened), PortCaptionText(), MessageIcon::kError);
    }
  } else {
    at_view_showing_ = view_id == kViewSerial;
  }
  const ViewFactory& factory = options_.view_factory ? options_.view_factory : ViewFactory(&CreateView);
  CViewBase* fresh = factory(view_id, *this, this);
  if (fresh == nullptr) return false;

  // The old page goes, the new one takes its place: nothing of a page
  // survives a switch, also when the same view is chosen again.
  QWidget* old = takeCentralWidget();
  setCentralWidget(fresh);
  page_ = fresh;
  fresh->InitialUpdate();
  fresh->show();
  if (old != nullptr) {
    old->hide();
    old->deleteLater();  // the switch may have been asked for from inside it
  }
  return true;
}

}  // namespace zt::ui
