// The main window without a DTU: start-up, menus and toolbar, command
// states, port open and close, the exit paths, page switches and the clock.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>
#include <QToolBar>

#include "serial/port_texts.h"
#include "serial/serial_port.h"
#include "support/dtusim_fixture.h"
#include "support/temp_dir.h"
#include "support/pty_peer.h"
#include "support/shell_harness.h"
#include "support/shell_modal.h"
#include "support/shell_recording_page.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"
#include "ui/bars/cool_bar.h"
#include "ui/bars/log_list_box.h"
#include "ui/bars/status_panes.h"
#include "ui/common/qt_text.h"

using namespace zt;
using namespace zt::literals;
using namespace zt::shelltest;
using ui::Qs;

namespace {

HarnessOptions WithRecordingPages(std::optional<std::string> port = std::nullopt) {
  HarnessOptions options;
  options.port = std::move(port);
  options.view_factory = RecordingPageFactory();
  return options;
}

RecordingPage* Page(FrameHarness& h) { return qobject_cast<RecordingPage*>(h.frame().CurrentPage()); }

// Texts of a menu's entries, separators as "-".
QStringList EntryTexts(const QList<QAction*>& actions) {
  QStringList texts;
  for (const QAction* a : actions) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return texts;
}

QStringList QsList(std::initializer_list<std::string_view> gbk) {
  QStringList out;
  for (const std::string_view t : gbk) out << (t == "-" ? QStringLiteral("-") : Qs(t));
  return out;
}

}  // namespace

class TestShellFrame : public QObject {
  Q_OBJECT

 private slots:
  void startupShowsTitleWelcomeLineAndPanes() {
    FrameHarness h(WithRecordingPages());
    h.Show();
    QCOMPARE(h.frame().windowTitle(), Qs("Tolvane 合并版 管理工具"_gbk));
    QCOMPARE(h.LogLines(), std::vector<std::string>{std::string("欢迎使用Tolvane 合并版 管理工具"_gbk)});
    QCOMPARE(h.frame().PaneText(ui::kPanePort), Qs("COM1:  关闭"_gbk));
    QCOMPARE(h.frame().PaneText(ui::kPaneConnection), Qs("连接状态: 未连接"_gbk));
    QVERIFY(!h.frame().PaneText(ui::kPaneBanner).isEmpty());
    QVERIFY(!h.frame().PaneText(ui::kPaneRights).isEmpty());
    QVERIFY(h.frame().width() >= 920 && h.frame().height() >= 690);
  }

  void startupCommandStates() {
    FrameHarness h(WithRecordingPages());
    h.Show();
    for (const int id :
         {ui::kIdOpenPort, ui::kToolOpenPort, ui::kIdConnectionSettings, ui::kToolConnectionSettings,
          ui::kIdParameterView, ui::kToolParameterView, ui::kIdExit, ui::kIdAbout}) {
      QVERIFY2(h.Enabled(id), qPrintable(QString::number(id)));
    }
    for (const int id :
         {ui::kIdClosePort, ui::kToolClosePort, ui::kIdConnectDtu, ui::kToolConnectDtu, ui::kIdQuery,
          ui::kIdSet, ui::kIdDefaults, ui::kIdRestart, ui::kIdSelectAll, ui::kIdImport, ui::kIdExport}) {
      QVERIFY2(!h.Enabled(id), qPrintable(QString::number(id)));
    }
    QVERIFY(!h.commands.IsEnabled(kCmdCommonParams));
    QVERIFY(!h.frame().ModeSelector()->isEnabled());
    QCOMPARE(h.frame().ModeSelector()->currentIndex(), 0);
    QCOMPARE(Page(h)->Count("initial_update"), 1);
  }

  void firstShowReadsTheSettingsAndThePortOptionWins() {
    HarnessOptions options = WithRecordingPages("/dev/ttyFromOption");
    options.settings_text = "[SET]\r\nCOM=COM7\r\nBAUD=9600\r\nCONN_TIMEVAL=30\r\n";
    FrameHarness h(std::move(options));
    QCOMPARE(h.settings.Get().baud, 57600u);  // read at the first show only
    h.Show();
    const ToolSettings s = h.settings.Get();
    QCOMPARE(s.port_name, std::string("/dev/ttyFromOption"));
    QCOMPARE(s.baud, 9600u);
    QCOMPARE(s.connect_timeout, std::uint16_t{30});
    QCOMPARE(s.settings_path, h.SettingsPath());
  }

  void menuHoldsEveryEntryInOrder() {
    FrameHarness h(WithRecordingPages());
    const QList<QAction*> menus = h.frame().menuBar()->actions();
    QCOMPARE(EntryTexts(menus), QsList({"文件(&F)"_gbk, "串口操作(&C)"_gbk, "功能界面(&I)"_gbk,
                                        "参数配置(&S)"_gbk, "关于(&H)"_gbk}));
    QCOMPARE(EntryTexts(menus[0]->menu()->actions()),
             QsList({"导入(&I)"_gbk, "导出(&O)"_gbk, "-", "退出(&X)"_gbk}));
    QCOMPARE(EntryTexts(menus[1]->menu()->actions()),
             QsList({"连接设置(&S)"_gbk, "-", "打开串口(&O)"_gbk, "关闭串口(&D)"_gbk}));
    QCOMPARE(EntryTexts(menus[2]->menu()->actions()),
             QsList({"连接DTU(&L)"_gbk, "-", "参数界面(&G)"_gbk, "AT界面(&A)"_gbk, "配置测试界面"_gbk,
                     "多工位测试"_gbk, "测试记录"_gbk}));
    QCOMPARE(EntryTexts(menus[3]->menu()->actions()),
             QsList({"-", "全选/全不选(&A)"_gbk, "查询参数(&Q)"_gbk, "设置参数(&C)"_gbk, "默认参数(&D)"_gbk,
                     "重启DTU(&R)"_gbk, "常用配置参数(&P)"_gbk}));
    QCOMPARE(EntryTexts(menus[4]->menu()->actions()), QsList({"关于 Tolvane 合并版 管理工具(&A)..."_gbk}));
  }

  void toolbarHoldsTheButtonsTheLabelAndTheSelector() {
    FrameHarness h(WithRecordingPages());
    auto* toolbar = h.frame().findChild<QToolBar*>(QStringLiteral("main_toolbar"));
    QVERIFY(toolbar != nullptr);
    QStringList texts;
    for (QAction* a : toolbar->actions()) {
      if (a->isSeparator()) {
        texts << QStringLiteral("-");
      } else if (QWidget* w = toolbar->widgetForAction(a); w != nullptr && a->text().isEmpty()) {
        texts << QString::fromLatin1(w->metaObject()->className());
      } else {
        texts << a->text();
      }
    }
    QCOMPARE(texts,
             QsList({"连接设置"_gbk, "打开串口"_gbk, "关闭串口"_gbk, "-", "连接DTU"_gbk, "参数界面"_gbk, "AT界面"_gbk,
                     "配置测试界面"_gbk, "多工位测试"_gbk, "测试记录"_gbk, "-"})
                 << QStringLiteral("QLabel") << QStringLiteral("QComboBox"));
    auto* label = h.frame().findChild<QLabel*>(QStringLiteral("mode_label"));
    QCOMPARE(label->text(), Qs("通道模式"_gbk));
    QComboBox* selector = h.frame().ModeSelector();
    QCOMPARE(selector->count(), 4);
    QCOMPARE(selector->itemText(0), Qs("单通道"_gbk));
    QCOMPARE(selector->itemText(1), Qs("主备通道"_gbk));
    QCOMPARE(selector->itemText(2), Qs("多通道"_gbk));
    QCOMPARE(selector->itemText(3), Qs("多备通道"_gbk));
  }

  void openPortFailureShowsTheMessageAndChangesNothing() {
    FrameHarness h(WithRecordingPages("/dev/zt-no-such-port"));
    h.Show();
    auto box = AnswerMessageBox(QMessageBox::Ok);
    QVERIFY(!h.frame().OnOpenPort());
    QVERIFY(box->seen().seen);
    QCOMPARE(box->seen().text, Qs("打开串口失败: 串口不存在!"_gbk));
    QCOMPARE(box->seen().title, Qs("提示"_gbk));
    QCOMPARE(box->seen().icon, static_cast<int>(QMessageBox::Critical));
    QVERIFY(h.Enabled(ui::kIdOpenPort));
    QVERIFY(!h.Enabled(ui::kIdClosePort));
    QCOMPARE(h.LogLines().size(), std::size_t{1});
    QVERIFY(!h.flags.port_open.load());
  }

  void openingThePortEnablesCloseAndConnect() {
    test::PtyPeer dtu;
    FrameHarness h(WithRecordingPages(dtu.Path()));
    h.Show();
    QVERIFY(h.frame().OnOpenPort());
    QVERIFY(h.LogHas(Format("打开%s成功"_gbk, dtu.Path())));
    QCOMPARE(h.frame().PaneText(ui::kPanePort), Qs(dtu.Path() + std::string(": 打开"_gbk)));
    for (const int id : {ui::kIdClosePort, ui::kToolClosePort, ui::kIdConnectDtu, ui::kToolConnectDtu}) {
      QVERIFY2(h.Enabled(id), qPrintable(QString::number(id)));
    }
    for (const int id : {ui::kIdOpenPort, ui::kToolOpenPort, ui::kIdConnectionSettings,
                         ui::kToolConnectionSettings, ui::kIdQuery, ui::kIdSet}) {
      QVERIFY2(!h.Enabled(id), qPrintable(QString::number(id)));
    }
    QVERIFY(h.flags.port_open.load());
    QVERIFY(!h.flags.port_closed.load());
  }

  void closingThePortResetsTheStates() {
    test::PtyPeer dtu;
    FrameHarness h(WithRecordingPages(dtu.Path()));
    h.Show();
    QVERIFY(h.frame().OnOpenPort());
    h.frame().CommandAction(ui::kIdClosePort)->trigger();
    QVERIFY(h.LogHas(Format("关闭%s成功"_gbk, dtu.Path())));
    QCOMPARE(h.frame().PaneText(ui::kPanePort), Qs(dtu.Path() + std::string(": 关闭"_gbk)));
    QCOMPARE(h.frame().PaneText(ui::kPaneConnection), Qs("连接状态: 未连接"_gbk));
    for (const int id :
         {ui::kIdOpenPort, ui::kToolOpenPort, ui::kIdConnectionSettings, ui::kToolConnectionSettings}) {
      QVERIFY2(h.Enabled(id), qPrintable(QString::number(id)));
    }
    for (const int id :
         {ui::kIdClosePort, ui::kToolClosePort, ui::kIdConnectDtu, ui::kToolConnectDtu, ui::kIdQuery,
          ui::kIdSet, ui::kIdDefaults, ui::kIdRestart, ui::kIdSelectAll, ui::kIdImport, ui::kIdExport}) {
      QVERIFY2(!h.Enabled(id), qPrintable(QString::number(id)));
    }
    QVERIFY(!h.commands.IsEnabled(kCmdCommonParams));
    QVERIFY(!h.flags.port_open.load());
    QVERIFY(h.flags.port_closed.load());
    QVERIFY(!h.frame().IsConnected());
    QVERIFY(!h.frame().ModeSelector()->isEnabled());
  }

  void aRemovedDeviceClosesThePortWithOneLineAndComesBackWithAutoReconnect() {
    test::TempDir dir;
    const std::string link = dir.File("dtu");
    test::DtuSimProcess sim;
    QVERIFY2(sim.Start({"--link", link}), sim.error().c_str());
    FrameHarness h(WithRecordingPages(link));
    h.Show();
    h.settings.Update([](ToolSettings& s) { s.auto_reconnect = true; });
    QVERIFY(h.frame().OnOpenPort());
    const std::size_t before = h.LogLines().size();
    sim.Stop();
    QTRY_VERIFY_WITH_TIMEOUT(h.LogHas(DeviceRemovedText(link)), 1000);
    QCOMPARE(h.LogLines().size(), before + 1);
    QCOMPARE(h.frame().PaneText(ui::kPanePort), Qs(link + std::string(": 关闭"_gbk)));
    QCOMPARE(h.frame().PaneText(ui::kPaneConnection), Qs("连接状态: 未连接"_gbk));
    QVERIFY(h.Enabled(ui::kIdOpenPort));
    QVERIFY(!h.Enabled(ui::kIdClosePort));
    QVERIFY(h.flags.port_closed.load());
    // The unit is plugged in again.
    test::DtuSimProcess again;
    QVERIFY2(again.Start({"--link", link}), again.error().c_str());
    QTRY_VERIFY_WITH_TIMEOUT(h.LogHas(DeviceReturnedText(link)), 5000);
    QCOMPARE(h.frame().PaneText(ui::kPanePort), Qs(link + std::string(": 打开"_gbk)));
    QVERIFY(h.Enabled(ui::kIdClosePort));
    QVERIFY(h.flags.port_open.load());
  }

  void exitCommandEndsWith112WithoutAQuestion() {
    FrameHarness h(WithRecordingPages());
    h.Show();
    ModalResponder watch([](QWidget* modal) { modal->close(); }, 300);
    h.frame().CommandAction(ui::kIdExit)->trigger();
    QCOMPARE(h.exit_status, std::optional<int>(112));
    QTest::qWait(350);
    QVERIFY(!watch.seen().seen);
    QVERIFY(!h.flags.exiting.load());
  }

  void closingTheWindowAsksAndCancelKeepsIt() {
    FrameHarness h(WithRecordingPages());
    h.Show();
    auto box = AnswerMessageBox(QMessageBox::Cancel);
    QVERIFY(!h.frame().close());
    QCOMPARE(box->seen().text, Qs("确认要退出系统吗?"_gbk));
    QCOMPARE(box->seen().title, Qs("Tolvane 合并版 管理工具"_gbk));
    QCOMPARE(box->seen().icon, static_cast<int>(QMessageBox::Question));
    QVERIFY(h.frame().isVisible());
    QVERIFY(!h.flags.exiting.load());
  }

  void closingTheWindowWithOkSetsTheExitingFlag() {
    FrameHarness h(WithRecordingPages());
    h.Show();
    auto box = AnswerMessageBox(QMessageBox::Ok);
    QVERIFY(h.frame().close());
    QVERIFY(box->seen().seen);
    QVERIFY(!h.frame().isVisible());
    QVERIFY(h.flags.exiting.load());
  }

  void selectorChangeWhileNotConnectedOnlyRebuildsThePage() {
    test::PtyPeer dtu;
    FrameHarness h(WithRecordingPages(dtu.Path()));
    h.Show();
    QVERIFY(h.frame().OnOpenPort());
    ModalResponder watch([](QWidget* modal) { modal->close(); }, 300);
    h.frame().ModeSelector()->setCurrentIndex(2);
    h.frame().OnModeSelected(2);
    QCOMPARE(Page(h)->Count("mode_selector_changed"), 1);
    // Picking the entry shown again changes nothing.
    h.frame().OnModeSelected(2);
    QCOMPARE(Page(h)->Count("mode_selector_changed"), 1);
    QTest::qWait(350);
    QVERIFY(!watch.seen().seen);
    QVERIFY(h.frame().WorkerIsIdle());
    QCOMPARE(dtu.Received(), std::string());
    QVERIFY(!h.frame().ConfirmedModeIndex().has_value());
  }

  void viewSwitchBuildsAFreshPageAndDestroysTheOld() {
    FrameHarness h(WithRecordingPages());
    h.Show();
    QPointer<RecordingPage> first = Page(h);
    QVERIFY(!first.isNull());
    h.frame().CommandAction(ui::kIdParameterView)->trigger();
    QPointer<RecordingPage> second = Page(h);
    QVERIFY(second != first);
    QCOMPARE(second->ViewId(), ui::kViewConfig);
    QCOMPARE(h.frame().centralWidget(), second.data());
    QTRY_VERIFY(first.isNull());
    QCOMPARE(RecordingPage::alive, 1);
    QVERIFY(h.LogHas("处于参数配置界面!"_gbk));
    // The page's own refresh and the command's: the parameter commands stay off.
    QCOMPARE(second->Count("initial_update"), 1);
    QVERIFY(!h.Enabled(ui::kIdQuery));
  }

  void aPageThatMustStayIsNotReplaced() {
    FrameHarness h(WithRecordingPages());
    h.Show();
    RecordingPage* page = Page(h);
    page->can_leave = false;
    QVERIFY(!h.frame().SwitchView(ui::kViewConfig));
    QCOMPARE(Page(h), page);
  }

  void pageCommandsReachThePage() {
    FrameHarness h(WithRecordingPages());
    h.Show();
    h.frame().OnSelectAll();
    h.frame().OnImport();
    h.frame().OnExport();
    QCOMPARE(Page(h)->Count("select_all"), 1);
    QCOMPARE(Page(h)->Count("import"), 1);
    QCOMPARE(Page(h)->Count("export"), 1);
  }

  void clockPaneShowsTheTimeEverySecond() {
    FrameHarness h(WithRecordingPages());
    // No event has run yet, so the clock has not ticked.
    QCOMPARE(h.frame().PaneText(ui::kPaneClock), QString(20, QLatin1Char(' ')));
    h.Show();
    const QRegularExpression clock(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    QTRY_VERIFY_WITH_TIMEOUT(clock.match(h.frame().PaneText(ui::kPaneClock)).hasMatch(), 3000);
  }

  void runLogBarStaysDockedAtTheBottom() {
    FrameHarness h(WithRecordingPages());
    h.Show();
    ui::CCoolBar* bar = h.frame().RunLogBar();
    QCOMPARE(bar->windowTitle(), Qs("运行信息"_gbk));
    QCOMPARE(bar->features(), QDockWidget::NoDockWidgetFeatures);
    QCOMPARE(bar->allowedAreas(), Qt::BottomDockWidgetArea);
    QCOMPARE(h.frame().dockWidgetArea(bar), Qt::BottomDockWidgetArea);
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->widget(), static_cast<QWidget*>(h.frame().RunLog()));
  }

  void runLogBarCommandsHideShowAndDock() {
    FrameHarness h(WithRecordingPages());
    h.Show();
    h.frame().ToggleRunLog();
    QVERIFY(!h.frame().RunLogBar()->isVisible());
    h.frame().ToggleRunLog();
    QVERIFY(h.frame().RunLogBar()->isVisible());
    h.frame().ToggleRunLog();
    h.frame().DockRunLog();
    QVERIFY(h.frame().RunLogBar()->isVisible());
    QCOMPARE(h.frame().dockWidgetArea(h.frame().RunLogBar()), Qt::BottomDockWidgetArea);
    // Hiding keeps the lines.
    QCOMPARE(h.LogLines().size(), std::size_t{1});
  }

  void aboutBoxShowsTheVersion() {
    FrameHarness h(WithRecordingPages());
    h.Show();
    QString version;
    ModalResponder about([&](QWidget* modal) {
      if (auto* v = modal->findChild<QLabel*>(QStringLiteral("about_version"))) version = v->text();
      modal->close();
    });
    h.frame().CommandAction(ui::kIdAbout)->trigger();
    QVERIFY(about.seen().seen);
    QCOMPARE(about.seen().title, Qs("关于 Tolvane 合并版 管理工具"_gbk));
    QCOMPARE(version, Qs("Tolvane 管理工具 4.0.1版"_gbk));
  }
};

QTEST_MAIN(TestShellFrame)
#include "tst_shell_frame.moc"
