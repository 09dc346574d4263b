// The AT terminal's quick-send panel in the real window, against a scripted
// peer: the rows, their marks, the auto-cycle and cmd.ini.
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "support/shell_modal.h"
#include "support/temp_dir.h"
#include "support/terminal_harness.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/terminal/quick_send_panel.h"

using namespace zt;
using namespace zt::literals;
using namespace zt::shelltest;
using namespace std::string_literals;
using ui::Qs;

namespace {

ui::QuickSendPanel* Panel(TerminalHarness& t) { return t.view()->Panel(); }

bool WaitCycleEnded(TerminalHarness& t) {
  return WaitFor([&] { return !Panel(t)->Sender().CycleThreadAlive(); }, 5000);
}

}  // namespace

class TestTerminalPanel : public QObject {
  Q_OBJECT

 private slots:
  void panelHoldsElevenNumberedRowsAndTheCycleBox() {
    TerminalHarness t;
    ui::QuickSendPanel* panel = Panel(t);
    for (int n = 1; n <= 11; ++n) {
      QCOMPARE(panel->RowButton(n)->text(), QString::number(n));
      QVERIFY(panel->RowEdit(n)->text().isEmpty());
      QVERIFY(!panel->HexMark(n)->isChecked());
    }
    QCOMPARE(panel->CycleBox()->text(), Qs("自动循环发送,间隔："_gbk));
    QCOMPARE(panel->IntervalEdit()->text(), QStringLiteral("1000"));
    QCOMPARE(panel->Sender().Pause(), 0);
  }

  void aRowLosesItsBlanksAndGetsCrLfWhenNewLineIsTicked() {
    TerminalHarness t;
    t.Box("new_line_box")->click();
    Panel(t)->RowEdit(2)->setText(QStringLiteral("AT + C SQ"));
    Panel(t)->RowButton(2)->click();
    QVERIFY(t.WaitPeerReceived("AT+CSQ\r\n"));
  }

  void anOddHexRowSendsOnlyTheLineEnd() {
    TerminalHarness t;
    Panel(t)->RowEdit(1)->setText(QStringLiteral("41 4"));
    Panel(t)->HexMark(1)->click();
    Panel(t)->RowButton(1)->click();
    QTest::qWait(100);
    QCOMPARE(t.peer.Received(), std::string());
    t.Box("new_line_box")->click();
    Panel(t)->RowButton(1)->click();
    QVERIFY(t.WaitPeerReceived("\r\n"));
    t.peer.ClearReceived();
    Panel(t)->RowEdit(1)->setText(QStringLiteral("41 42"));
    Panel(t)->RowButton(1)->click();
    QVERIFY(t.WaitPeerReceived("AB\r\n"));
  }

  void autoCycleSendsTheFilledRowsInOrderAndDisablesThePeriod() {
    TerminalHarness t;
    Panel(t)->RowEdit(1)->setText(QStringLiteral("ONE;"));
    Panel(t)->RowEdit(3)->setText(QStringLiteral("THREE;"));
    Panel(t)->IntervalEdit()->setText(QStringLiteral("10"));
    Panel(t)->CycleBox()->click();
    QVERIFY(!t.Find<QLineEdit>("send_period")->isEnabled());
    QVERIFY(WaitFor([&] { return t.peer.CountReceived("ONE;THREE;") >= 3; }, 5000));
    Panel(t)->CycleBox()->click();
    QVERIFY(t.Find<QLineEdit>("send_period")->isEnabled());
    QVERIFY(WaitCycleEnded(t));
    QVERIFY(t.peer.WaitForReceived("THREE;", t.peer.CountReceived("ONE;")));
    const std::string received = t.peer.Received();
    QCOMPARE(received.substr(0, 10), "ONE;THREE;"s);
    QCOMPARE(t.peer.CountReceived("ONE;"), t.peer.CountReceived("THREE;"));
    QCOMPARE(Panel(t)->Sender().Pause(), 10);
  }

  void anIntervalOfZeroOnlyDisablesThePeriod() {
    TerminalHarness t;
    Panel(t)->RowEdit(1)->setText(QStringLiteral("A"));
    Panel(t)->IntervalEdit()->setText(QStringLiteral("0"));
    Panel(t)->CycleBox()->click();
    QVERIFY(Panel(t)->CycleBox()->isChecked());
    QVERIFY(!t.Find<QLineEdit>("send_period")->isEnabled());
    QVERIFY(!Panel(t)->Sender().IsCycling());
    QTest::qWait(100);
    QCOMPARE(t.peer.Received(), std::string());
    Panel(t)->IntervalEdit()->setText(QStringLiteral("-5"));
    Panel(t)->CycleBox()->click();
    Panel(t)->CycleBox()->click();
    QVERIFY(!Panel(t)->Sender().IsCycling());
  }

  void aRowButtonAfterACycleWaitsTheIntervalWithoutHoldingTheWindow() {
    TerminalHarness t;
    Panel(t)->IntervalEdit()->setText(QStringLiteral("1500"));
    Panel(t)->CycleBox()->click();  // no row filled: nothing is sent
    Panel(t)->CycleBox()->click();
    QVERIFY(WaitCycleEnded(t));
    Panel(t)->RowEdit(4)->setText(QStringLiteral("LATE"));
    Panel(t)->RowButton(4)->click();
    // The press has returned while the send still waits on the panel's thread.
    QCOMPARE(Panel(t)->Sender().PendingManualSends(), std::size_t{1});
    QCOMPARE(t.peer.Received(), std::string());
    QVERIFY(WaitFor([&] { return t.peer.Received() == "LATE"; }, 10000));
  }

  void enterAndEscStopAtThePanel() {
    TerminalHarness t;
    t.Button("expand_button")->click();
    for (const int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      press.ignore();
      QApplication::sendEvent(Panel(t), &press);
      QVERIFY(press.isAccepted());
    }
    QKeyEvent other(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    other.ignore();
    QApplication::sendEvent(Panel(t), &other);
    QVERIFY(!other.isAccepted());
  }

  void cmdIniFillsThePanelWhenTheTerminalOpens() {
    TerminalHarness t(
        "[option1]\r\nchecked=01\r\ncontent=41 42\r\n[option2]\r\nchecked=yes\r\ncontent=AT+CSQ\r\n"
        "[option9]\r\ncontent=nine\r\n");
    ui::QuickSendPanel* panel = Panel(t);
    QVERIFY(panel->HexMark(1)->isChecked());
    QCOMPARE(panel->RowEdit(1)->text(), QStringLiteral("41 42"));
    QVERIFY(!panel->HexMark(2)->isChecked());
    QCOMPARE(panel->RowEdit(2)->text(), QStringLiteral("AT+CSQ"));
    QCOMPARE(panel->RowEdit(9)->text(), QStringLiteral("nine"));
    QVERIFY(panel->RowEdit(10)->text().isEmpty());
    QCOMPARE(panel->IntervalEdit()->text(), QStringLiteral("1000"));
  }

  void leavingTheTerminalSavesThePanel() {
    TerminalHarness t;
    Panel(t)->RowEdit(3)->setText(Qs("AT+中文"_gbk));
    Panel(t)->HexMark(5)->click();
    Panel(t)->IntervalEdit()->setText(QStringLiteral("250"));
    t.frame().CommandAction(ui::kIdParameterView)->trigger();
    QuickSendContents saved;
    LoadQuickSend(t.CmdIniPath(), saved);
    QCOMPARE(saved.rows[2].text, std::string("AT+中文"_gbk));
    QVERIFY(saved.rows[4].hex);
    QCOMPARE(saved.interval, "250"s);
    // The next terminal shows what the last one saved.
    t.ShowTerminal();
    QCOMPARE(Panel(t)->RowEdit(3)->text(), Qs("AT+中文"_gbk));
    QCOMPARE(Panel(t)->IntervalEdit()->text(), QStringLiteral("250"));
  }

  void choosingTheTerminalAgainKeepsWhatTheLastOneHeld() {
    TerminalHarness t;
    Panel(t)->RowEdit(1)->setText(QStringLiteral("KEEP"));
    t.ShowTerminal();
    QCOMPARE(Panel(t)->RowEdit(1)->text(), QStringLiteral("KEEP"));
  }

  void switchingViewsWhileCyclingLeavesNoThreadBehind() {
    TerminalHarness t;
    t.frame().CommandAction(ui::kIdParameterView)->trigger();
    QTest::qWait(50);
    const int threads = ThreadCount();
    t.ShowTerminal();
    QPointer<ui::CViewSerial> terminal = t.view();
    QVERIFY(terminal->ReceiveThreadRunning());
    Panel(t)->RowEdit(1)->setText(QStringLiteral("C;"));
    Panel(t)->IntervalEdit()->setText(QStringLiteral("5"));
    Panel(t)->CycleBox()->click();
    Panel(t)->RowButton(1)->click();
    QVERIFY(WaitFor([&] { return t.peer.CountReceived("C;") >= 3; }, 5000));
    QVERIFY(ThreadCount() > threads);
    t.frame().CommandAction(ui::kIdParameterView)->trigger();
    // Taken out of the window, the page has stopped and joined its threads
    // at once, before the object itself is gone.
    if (!terminal.isNull()) {
      QVERIFY(!terminal->ReceiveThreadRunning());
      QVERIFY(!terminal->Panel()->Sender().CycleThreadAlive());
    }
    QCOMPARE(ThreadCount(), threads);
    const std::size_t sent = t.peer.Received().size();
    QTRY_VERIFY(terminal.isNull());
    QTest::qWait(100);
    QCOMPARE(t.peer.Received().size(), sent);
    QCOMPARE(ThreadCount(), threads);
  }
};

QTEST_MAIN(TestTerminalPanel)
#include "tst_terminal_panel.moc"
