// The frame's AT view command: its menu entry and button, the command
// states and the AT mode, the way back to the parameter view, the exit
// question's save of the quick-send panel, and the abort of a worker
// transaction that runs when the terminal is chosen.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <filesystem>

#include "support/dtusim_fixture.h"
#include "support/shell_modal.h"
#include "support/temp_dir.h"
#include "support/terminal_harness.h"
#include "terminal/quick_send_file.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/config/view_config.h"
#include "ui/terminal/quick_send_panel.h"
#include "worker/config_messages.h"

using namespace zt;
using namespace zt::literals;
using namespace zt::shelltest;
using namespace std::string_literals;
using ui::Qs;

namespace {

// Makes a temporary folder the current one while it lives.
class CurrentFolder {
 public:
  CurrentFolder() : old_(std::filesystem::current_path()) { std::filesystem::current_path(dir_.path()); }
  ~CurrentFolder() { std::filesystem::current_path(old_); }

 private:
  test::TempDir dir_;
  std::filesystem::path old_;
};

std::string SavedRow1(const std::string& path) {
  QuickSendContents contents;
  LoadQuickSend(path, contents);
  return contents.rows[0].text;
}

}  // namespace

class TestTerminalFrame : public QObject {
  Q_OBJECT

 private slots:
  void theAtViewHasItsMenuEntryAndToolbarButton() {
    FrameHarness h;
    QMenu* views = h.frame().findChild<QMenu*>(QStringLiteral("menu_views"));
    QVERIFY(views != nullptr);
    const QList<QAction*> entries = views->actions();
    QCOMPARE(entries.size(), 7);  // the production-test, several-ports and records pages follow
    QCOMPARE(entries[2]->text(), Qs("参数界面(&G)"_gbk));
    QCOMPARE(entries[3]->text(), Qs("AT界面(&A)"_gbk));
    QCOMPARE(entries[3], h.frame().CommandAction(ui::kIdAtView));
    auto* toolbar = h.frame().findChild<QToolBar*>(QStringLiteral("main_toolbar"));
    QAction* button = h.frame().CommandAction(ui::kToolAtView);
    QVERIFY(button != nullptr);
    QCOMPARE(button->text(), Qs("AT界面"_gbk));
    const QList<QAction*> buttons = toolbar->actions();
    const qsizetype at = buttons.indexOf(button);
    QVERIFY(at > 0);
    QCOMPARE(buttons[at - 1], h.frame().CommandAction(ui::kToolParameterView));
  }

  void theAtViewSetsTheAtModeAndItsCommandStates() {
    TerminalHarness t;
    QVERIFY(t.view() != nullptr);
    QVERIFY(t.frame().IsAtMode());
    QVERIFY(t.h().flags.at_mode.load());
    QVERIFY(t.h().LogHas("处于AT界面!"_gbk));
    QVERIFY(!t.frame().ModeSelector()->isEnabled());
    for (const int entry : {7, 8, 10, 11, 12, 13, 14, 15, 16, 18, 21, 24, 25, 26, 27, 28}) {
      QVERIFY2(!t.h().commands.IsEnabled(entry), qPrintable(QString::number(entry)));
    }
    for (const int id : {ui::kIdConnectDtu, ui::kToolConnectDtu, ui::kIdQuery, ui::kIdSet, ui::kIdDefaults,
                         ui::kIdRestart, ui::kIdSelectAll, ui::kIdImport, ui::kIdExport}) {
      QVERIFY2(!t.h().Enabled(id), qPrintable(QString::number(id)));
    }
    for (const int id : {ui::kIdClosePort, ui::kToolClosePort, ui::kIdParameterView, ui::kToolParameterView,
                         ui::kIdAtView, ui::kToolAtView}) {
      QVERIFY2(t.h().Enabled(id), qPrintable(QString::number(id)));
    }
  }

  void theParameterViewTakesTheAtModeBackAndReopensThePort() {
    TerminalHarness t;
    t.List("parity_list")->setCurrentText(QStringLiteral("ODD"));
    QCOMPARE(t.h().settings.Get().parity, std::uint8_t{1});
    t.frame().CommandAction(ui::kIdParameterView)->trigger();
    QVERIFY(qobject_cast<ui::CViewConfig*>(t.frame().CurrentPage()) != nullptr);
    QVERIFY(!t.frame().IsAtMode());
    QVERIFY(!t.h().flags.at_mode.load());
    // The parameter view re-opens the port at 8N1.
    const ToolSettings s = t.h().settings.Get();
    QCOMPARE(s.parity, std::uint8_t{0});
    QCOMPARE(s.stop_bits, std::uint8_t{0});
    QCOMPARE(s.data_bits, std::uint8_t{8});
    QVERIFY((t.peer.LineState().c_cflag & PARODD) == 0);
    QVERIFY(t.h().Enabled(ui::kIdConnectDtu));
    QVERIFY(t.h().Enabled(ui::kToolConnectDtu));
    QVERIFY(!t.h().Enabled(ui::kIdQuery));
  }

  void theTerminalWithoutAnOpenPortSendsNothing() {
    TerminalHarness t(/*cmd_ini=*/{}, /*open_port=*/false);
    QVERIFY(t.view() != nullptr);
    t.Input()->setText(QStringLiteral("AT"));
    t.Button("send_button")->click();
    t.view()->Panel()->RowEdit(1)->setText(QStringLiteral("AT"));
    t.view()->Panel()->RowButton(1)->click();
    QTest::qWait(100);
    QCOMPARE(t.peer.Received(), std::string());
  }

  void theExitQuestionSavesThePanelEvenWhenCancelled() {
    TerminalHarness t;
    t.view()->Panel()->RowEdit(1)->setText(QStringLiteral("SAVED"));
    {
      auto box = AnswerMessageBox(QMessageBox::Cancel);
      QVERIFY(!t.frame().close());
      QVERIFY(box->seen().seen);
    }
    QCOMPARE(SavedRow1(t.CmdIniPath()), "SAVED"s);
    t.view()->Panel()->RowEdit(1)->setText(QStringLiteral("AT EXIT"));
    {
      auto box = AnswerMessageBox(QMessageBox::Ok);
      QVERIFY(t.frame().close());
    }
    QVERIFY(t.h().flags.exiting.load());
    QCOMPARE(SavedRow1(t.CmdIniPath()), "AT EXIT"s);
    // After a confirmed exit the page does not save a second time.
    t.view()->Panel()->RowEdit(1)->setText(QStringLiteral("NEVER"));
    t.frame().Shutdown();
    QCOMPARE(SavedRow1(t.CmdIniPath()), "AT EXIT"s);
  }

  void theShutdownSavesThePanelWithoutAnExitQuestion() {
    TerminalHarness t;
    t.view()->Panel()->RowEdit(1)->setText(QStringLiteral("AT SHUTDOWN"));
    t.frame().Shutdown();
    QCOMPARE(SavedRow1(t.CmdIniPath()), "AT SHUTDOWN"s);
  }

  void theExitCommandSavesNothing() {
    TerminalHarness t;
    t.view()->Panel()->RowEdit(1)->setText(QStringLiteral("NOT SAVED"));
    t.frame().CommandAction(ui::kIdExit)->trigger();
    QCOMPARE(t.h().exit_status, std::optional<int>(ui::kExitCommandStatus));
    // What the program does once its loop has ended: the page goes.
    t.frame().Shutdown();
    QVERIFY(!std::filesystem::exists(t.CmdIniPath()));
  }

  void aWorkerTransactionRunningWhenTheTerminalIsChosenAborts() {
    test::DtuSimProcess sim;
    QVERIFY2(sim.Start({"--mute"}), sim.error().c_str());
    HarnessOptions options;
    options.port = sim.SlavePath();
    CurrentFolder cwd;
    FrameHarness h(std::move(options));
    h.Show();
    QVERIFY(h.frame().OnOpenPort());
    QSignalSpy finished(&h.frame(), &ui::CMainFrame::workerCommandFinished);
    h.frame().CommandAction(ui::kIdConnectDtu)->trigger();
    // The worker is waking the unit, which never answers (the window keeps
    // serving the worker's reports meanwhile).
    QVERIFY(WaitFor([&] { return sim.ReceivedBytes().find("          ") != std::string::npos; }, 10000));
    h.frame().CommandAction(ui::kIdAtView)->trigger();
    QVERIFY(WaitFor([&] { return h.frame().WorkerIsIdle(); }, 20000));
    QVERIFY(h.LogHas("已切换到AT界面，故参数界面未完成的动作被迫终止!\r\n"_gbk));
    QVERIFY(h.LogHas("处于AT界面!"_gbk));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toUInt(), static_cast<unsigned>(WM_CFG_CONNECT));
    QCOMPARE(finished.at(0).at(1).toBool(), false);
  }

  void afterAConnectTheWayBackLeavesCommonParametersOff() {
    test::DtuSimProcess sim;
    QVERIFY2(sim.Start(), sim.error().c_str());
    HarnessOptions options;
    options.port = sim.SlavePath();
    CurrentFolder cwd;
    FrameHarness h(std::move(options));
    h.Show();
    QVERIFY(h.frame().OnOpenPort());
    h.frame().CommandAction(ui::kIdConnectDtu)->trigger();
    QVERIFY(WaitFor([&] { return h.frame().IsConnected() && h.frame().WorkerIsIdle(); }, 60000));
    QVERIFY(h.commands.IsEnabled(kCmdCommonParams));
    h.frame().CommandAction(ui::kIdAtView)->trigger();
    QVERIFY(!h.commands.IsEnabled(kCmdCommonParams));
    // The terminal talks to the unit directly.
    auto* terminal = qobject_cast<ui::CViewSerial*>(h.frame().CurrentPage());
    QVERIFY(terminal != nullptr);
    terminal->findChild<QLineEdit*>(QStringLiteral("input_line"))->setText(QStringLiteral("+++"));
    QTest::keyClick(terminal->findChild<QLineEdit*>(QStringLiteral("input_line")), Qt::Key_Return);
    QVERIFY(
        WaitFor([&] { return terminal->ShownBytes().find("RUN AT\r\nOK\r\n") != std::string::npos; }, 5000));
    h.frame().CommandAction(ui::kIdParameterView)->trigger();
    QVERIFY(h.frame().IsConnected());
    QVERIFY(h.Enabled(ui::kIdQuery));
    QVERIFY(h.frame().ModeSelector()->isEnabled());
    QVERIFY(!h.commands.IsEnabled(kCmdCommonParams));
  }
};

QTEST_MAIN(TestTerminalFrame)
#include "tst_terminal_frame.moc"
