// Building the frame's bars: the status panes, the run-log bar, the toolbar
// with the channel-mode selector, and the menu.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "params/channel_modes.h"
#include "text/gbk_literal.h"
#include "ui/bars/cool_bar.h"
#include "ui/bars/log_list_box.h"
#include "ui/bars/progress_pane.h"
#include "ui/bars/status_panes.h"
#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"
#include "ui/shell/main_frame.h"
#include "ui/shell/shell_texts.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

// The label and the selector are drawn in a light face, 12 pixels high.
constexpr int kSelectorFontPixels = 12;
constexpr int kSelectorFontWeight = 150;
constexpr int kSelectorWidth = 110;

}  // namespace

QAction* CMainFrame::MakeCommand(int command_id, std::string_view gbk_text, std::function<void()> handler) {
  auto* action = new QAction(Qs(gbk_text), this);
  action->setObjectName(QStringLiteral("cmd_%1").arg(command_id));
  action->setProperty("command_id", command_id);
  connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
  actions_[command_id] = action;
  return action;
}

QAction* CMainFrame::CommandAction(int command_id) const {
  const auto found = actions_.find(command_id);
  return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::RefreshCommandStates() {
  for (const auto& [id, action] : actions_) {
    const std::optional<int> entry = CommandEntryForId(id);
    action->setEnabled(!entry || services_.commands.IsEnabled(*entry));
  }
  if (page_) page_->CommandStatesChanged();
}

void CMainFrame::BuildStatusBar() {
  statusBar()->setObjectName(QStringLiteral("status_bar"));
  panes_ = std::make_unique<CStatusPanes>(*statusBar());
  // Between the connection state and the banner, shown only while a worker
  // command runs; a command's end clears it.
  progress_pane_ = new CProgressPane(statusBar());
  statusBar()->insertWidget(kPaneBanner, progress_pane_);
  connect(this, &CMainFrame::workerCommandFinished, progress_pane_, [this] { progress_pane_->Clear(); });
}

void CMainFrame::BuildRunLogBar() {
  run_log_bar_ = new CCoolBar("运行信息"_gbk, this);
  run_log_ = new CLogListBox(run_log_bar_);
  run_log_bar_->setWidget(run_log_);
  addDockWidget(Qt::BottomDockWidgetArea, run_log_bar_);
  resizeDocks({run_log_bar_}, {CCoolBar::kDefaultHeight}, Qt::Vertical);
}

void CMainFrame::ToggleRunLog() { run_log_bar_->setVisible(!run_log_bar_->isVisible()); }

void CMainFrame::DockRunLog() {
  addDockWidget(Qt::BottomDockWidgetArea, run_log_bar_);
  run_log_bar_->show();
  run_log_->show();
}

void CMainFrame::BuildToolBar() {
  toolbar_ = addToolBar(QStringLiteral("main"));
  toolbar_->setObjectName(QStringLiteral("main_toolbar"));
  toolbar_->setMovable(false);
  toolbar_->setFloatable(false);
  toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolbar_->setFont(CjkFont(kSelectorFontPixels, 400));
  QStyle* style = QApplication::style();

  auto add = [&](int id, std::string_view text, std::function<void()> handler, QStyle::StandardPixmap icon) {
    QAction* action = MakeCommand(id, text, std::move(handler));
    action->setIcon(style->standardIcon(icon));
    toolbar_->addAction(action);
  };
  add(
      kToolConnectionSettings, "连接设置"_gbk, [this] { OnConnectionSettings(); },
      QStyle::SP_FileDialogDetailedView);
  add(
      kToolOpenPort, "打开串口"_gbk, [this] { OnOpenPort(); }, QStyle::SP_DialogOpenButton);
  add(
      kToolClosePort, "关闭串口"_gbk, [this] { OnClosePort(); }, QStyle::SP_DialogCloseButton);
  toolbar_->addSeparator();
  add(
      kToolConnectDtu, "连接DTU"_gbk, [this] { OnConnectDtu(); }, QStyle::SP_DriveNetIcon);
  add(
      kToolParameterView, "参数界面"_gbk, [this] { OnParameterView(); }, QStyle::SP_FileDialogListView);
  add(
      kToolAtView, "AT界面"_gbk, [this] { OnAtView(); }, QStyle::SP_ComputerIcon);
  // The production-test page: one command for its button and its menu item.
  add(
      kIdTestView, "配置测试界面"_gbk, [this] { OnTestView(); }, QStyle::SP_DialogApplyButton);
  CommandAction(kIdTestView)->setIconVisibleInMenu(false);
  add(
      kIdMultiTestView, "多工位测试"_gbk, [this] { OnMultiTestView(); }, QStyle::SP_FileDialogContentsView);
  CommandAction(kIdMultiTestView)->setIconVisibleInMenu(false);
  // The production records, beside the page that makes them.
  add(
      kIdRecordsView, "测试记录"_gbk, [this] { OnRecordsView(); }, QStyle::SP_FileDialogDetailedView);
  CommandAction(kIdRecordsView)->setIconVisibleInMenu(false);
  toolbar_->addSeparator();

  mode_label_ = new QLabel(Qs("通道模式"_gbk), toolbar_);
  mode_label_->setObjectName(QStringLiteral("mode_label"));
  mode_label_->setFont(CjkFont(kSelectorFontPixels, kSelectorFontWeight));
  mode_label_->setContentsMargins(6, 0, 6, 0);
  mode_label_action_ = toolbar_->addWidget(mode_label_);

  selector_ = new QComboBox(toolbar_);
  selector_->setObjectName(QStringLiteral("mode_selector"));
  selector_->setFont(CjkFont(kSelectorFontPixels, kSelectorFontWeight));
  selector_->setMinimumWidth(kSelectorWidth);
  for (const ChannelMode mode : {kModeSin, kModeBak, kModeMul, kModeMulb}) {
    selector_->addItem(Qs(ModeDisplayName(mode)));
  }
  selector_->setCurrentIndex(0);
  selector_rest_index_ = 0;
  selector_->setEnabled(false);  // until a DTU is connected
  // Only a choice of the operator's counts, not the frame's own selections.
  connect(selector_, &QComboBox::activated, this, &CMainFrame::OnModeSelected);
  selector_action_ = toolbar_->addWidget(selector_);
}

void CMainFrame::SetSelectorIndex(int index) {
  selector_->setCurrentIndex(index);
  selector_rest_index_ = selector_->currentIndex();
}

void CMainFrame::SetSelectorEnabled(bool enabled) {
  selector_enabled_ = enabled;
  // A production test run has the port: no mode change may post to the worker.
  selector_->setEnabled(enabled && !services_.commands.TestRunning());
}

void CMainFrame::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("menu_bar"));
  auto menu = [&](std::string_view title, const char* name) {
    QMenu* m = bar->addMenu(Qs(title));
    m->setObjectName(QString::fromLatin1(name));
    connect(m, &QMenu::aboutToShow, this, &CMainFrame::RefreshCommandStates);
    return m;
  };

  QMenu* file = menu("文件(&F)"_gbk, "menu_file");
  file->addAction(MakeCommand(kIdImport, "导入(&I)"_gbk, [this] { OnImport(); }));
  file->addAction(MakeCommand(kIdExport, "导出(&O)"_gbk, [this] { OnExport(); }));
  file->addSeparator();
  file->addAction(MakeCommand(kIdExit, "退出(&X)"_gbk, [this] { OnExit(); }));

  QMenu* port = menu("串口操作(&C)"_gbk, "menu_port");
  port->addAction(MakeCommand(kIdConnectionSettings, "连接设置(&S)"_gbk, [this] { OnConnectionSettings(); }));
  port->addSeparator();
  port->addAction(MakeCommand(kIdOpenPort, "打开串口(&O)"_gbk, [this] { OnOpenPort(); }));
  port->addAction(MakeCommand(kIdClosePort, "关闭串口(&D)"_gbk, [this] { OnClosePort(); }));

  QMenu* views = menu("功能界面(&I)"_gbk, "menu_views");
  views->addAction(MakeCommand(kIdConnectDtu, "连接DTU(&L)"_gbk, [this] { OnConnectDtu(); }));
  views->addSeparator();
  views->addAction(MakeCommand(kIdParameterView, "参数界面(&G)"_gbk, [this] { OnParameterView(); }));
  views->addAction(MakeCommand(kIdAtView, "AT界面(&A)"_gbk, [this] { OnAtView(); }));
  views->addAction(CommandAction(kIdTestView));
  views->addAction(CommandAction(kIdMultiTestView));
  views->addAction(CommandAction(kIdRecordsView));

  QMenu* params = menu("参数配置(&S)"_gbk, "menu_params");
  params->addSeparator();
  params->addAction(MakeCommand(kIdSelectAll, "全选/全不选(&A)"_gbk, [this] { OnSelectAll(); }));
  params->addAction(MakeCommand(kIdQuery, "查询参数(&Q)"_gbk, [this] { OnQuery(); }));
  // F5 reads the values again, as it refreshes elsewhere; no other key of
  // the window or the AT terminal uses it.
  CommandAction(kIdQuery)->setShortcut(QKeySequence(Qt::Key_F5));
  params->addAction(MakeCommand(kIdSet, "设置参数(&C)"_gbk, [this] { OnSet(); }));
  params->addAction(MakeCommand(kIdDefaults, "默认参数(&D)"_gbk, [this] { OnDefaults(); }));
  params->addAction(MakeCommand(kIdRestart, "重启DTU(&R)"_gbk, [this] { OnRestart(); }));
  params->addAction(MakeCommand(kIdCommonParams, "常用配置参数(&P)"_gbk, [this] { OnCommonParams(); }));

  QMenu* help = menu("关于(&H)"_gbk, "menu_help");
  help->addAction(MakeCommand(kIdAbout, "关于 Tolvane 合并版 管理工具(&A)..."_gbk, [this] { OnAbout(); }));
}

}  // namespace zt::ui
