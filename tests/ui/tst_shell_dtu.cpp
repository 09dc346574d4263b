// The whole window against the simulated DTU (dtusim): the real frame with
// the real parameter view, the worker and a pseudo-terminal in between.
// What crossed the line is checked in the simulator's wire log.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include "params/channel_modes.h"
#include "support/dtusim_fixture.h"
#include "support/shell_harness.h"
#include "support/shell_modal.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"
#include "ui/bars/log_list_box.h"
#include "ui/bars/status_panes.h"
#include "ui/common/qt_text.h"
#include "ui/config/param_list_ctrl.h"
#include "ui/config/view_config.h"
#include "worker/config_messages.h"

using namespace zt;
using namespace zt::literals;
using namespace zt::shelltest;
using ui::Qs;

namespace {

// Counts non-overlapping occurrences of `what` in `text`.
std::size_t Occurrences(const std::string& text, std::string_view what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
    ++count;
  return count;
}

// The window on a fresh simulator, the port open and the DTU connected.
class Connected {
 public:
  explicit Connected(const std::vector<std::string>& sim_args = {}) {
    started_ = sim.Start(sim_args);
    if (!started_) return;
    HarnessOptions options;
    options.port = sim.SlavePath();
    harness = std::make_unique<FrameHarness>(std::move(options));
    harness->Show();
  }

  // Opens the port and connects through the menu; true when the connect
  // succeeded and the worker has run out of work.
  bool OpenAndConnect() {
    if (!started_) return false;
    frame().CommandAction(ui::kIdOpenPort)->trigger();
    if (!harness->flags.port_open.load()) return false;
    QSignalSpy finished(&frame(), &ui::CMainFrame::workerCommandFinished);
    frame().CommandAction(ui::kIdConnectDtu)->trigger();
    bool connected = false;
    const bool ended = WaitFor(
        [&] {
          for (const QList<QVariant>& call : finished) {
            if (call.at(0).toUInt() == WM_CFG_CONNECT) {
              connected = call.at(1).toBool();
              return true;
            }
          }
          return false;
        },
        60000);
    return ended && connected && WaitIdle();
  }

  bool WaitIdle() {
    return WaitFor([&] { return frame().WorkerIsIdle(); }, 60000);
  }

  ui::CMainFrame& frame() { return harness->frame(); }
  ui::CViewConfig* view() { return qobject_cast<ui::CViewConfig*>(frame().CurrentPage()); }
  ui::CParamListCtrl& list() { return *view()->List(); }

  // The row of the list showing the parameter with keyword `short_name` in
  // the group shown.
  int RowOf(std::string_view short_name) {
    const int group = list().CurrentGroup();
    const int slot = harness->catalogue.Read([&](const CParamCatalogue& c) {
      for (int i = 0; i < c.Group(group)->UsedCount(); ++i) {
        if (c.Param(group, i)->short_name == short_name) return i;
      }
      return -1;
    });
    return slot < 0 ? -1 : list().RowOfSlot(slot);
  }

  QString Cell(int row, int column) {
    const QTableWidgetItem* item = list().item(row, column);
    return item != nullptr ? item->text() : QString();
  }

  // Ticks a row and types `text` into its edit box, then Enter.
  void EditRow(int row, const QString& text) {
    list().item(row, 0)->setCheckState(Qt::Checked);
    const QRect cell = list().visualRect(list().model()->index(row, 1));
    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, cell.center());
    auto* box = qobject_cast<QLineEdit*>(list().Editor());
    QVERIFY(box != nullptr);
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
  }

  test::DtuSimProcess sim;
  std::unique_ptr<FrameHarness> harness;

 private:
  bool started_ = false;
};

}  // namespace

class TestShellDtu : public QObject {
  Q_OBJECT

 private slots:
  void connectShowsTheConnectLinesAndTheDtusValues() {
    Connected c;
    QVERIFY(c.OpenAndConnect());

    // The run log holds the connect's lines in order.
    const std::string_view expected[] = {"连接DTU..."_gbk,
                                         "连接DTU成功!  "_gbk,
                                         "正在登录DTU...\r\n"_gbk,
                                         "登录DTU成功\r\n"_gbk,
                                         "正在进行AT+GETPARAM?.... \r\n"_gbk,
                                         "查询参数成功!\r\n"_gbk};
    const auto& lines = c.harness->LogLines();
    auto at = lines.begin();
    for (const std::string_view line : expected) {
      at = std::find(at, lines.end(), line);
      QVERIFY2(at != lines.end(), qPrintable(Qs(line)));
    }

    // The list shows the DTU's values in the common group.
    QCOMPARE(c.list().CurrentGroup(), 0);
    QCOMPARE(c.Cell(c.RowOf("DEVNAME"), 1), QStringLiteral("ZR3100_LAB"));
    QCOMPARE(c.Cell(c.RowOf("APN"), 1), QStringLiteral("CMIOT"));
    QCOMPARE(c.Cell(c.RowOf("HBINT"), 1), QStringLiteral("120"));

    QCOMPARE(c.frame().PaneText(ui::kPaneConnection), Qs("连接状态: 已连接"_gbk));
    for (const int id : {ui::kIdQuery, ui::kIdSet, ui::kIdDefaults, ui::kIdRestart, ui::kIdSelectAll,
                         ui::kIdImport, ui::kIdExport}) {
      QVERIFY2(c.harness->Enabled(id), qPrintable(QString::number(id)));
    }
    QVERIFY(c.frame().ModeSelector()->isEnabled());
    QVERIFY(c.frame().ModeSelector()->isVisibleTo(&c.frame()));
    QCOMPARE(c.frame().ConfirmedModeIndex(), std::optional<int>(0));

    // "复制所有行" copies the whole run log.
    c.frame().RunLog()->ContextMenu()->actions().at(0)->trigger();
    QCOMPARE(QApplication::clipboard()->text(), ui::QsEscaped(c.frame().RunLog()->AllLinesText()));
    QVERIFY(QApplication::clipboard()->text().contains(Qs("登录DTU成功\r\n\r\n"_gbk)));

    // Closing the port ends the connected state.
    c.frame().CommandAction(ui::kIdClosePort)->trigger();
    QCOMPARE(c.frame().PaneText(ui::kPaneConnection), Qs("连接状态: 未连接"_gbk));
    for (const int id : {ui::kIdQuery, ui::kIdSet, ui::kIdDefaults, ui::kIdRestart, ui::kIdSelectAll,
                         ui::kIdImport, ui::kIdExport, ui::kIdClosePort, ui::kIdConnectDtu}) {
      QVERIFY2(!c.harness->Enabled(id), qPrintable(QString::number(id)));
    }
    QVERIFY(c.harness->Enabled(ui::kIdOpenPort));
    QVERIFY(!c.frame().ModeSelector()->isEnabled());
  }

  void setWritesExactlyTheTickedValue() {
    Connected c;
    QVERIFY(c.OpenAndConnect());
    const int row = c.RowOf("DEVNAME");
    c.EditRow(row, QStringLiteral("LAB2"));
    QCOMPARE(c.Cell(row, 1), QStringLiteral("LAB2"));

    const std::size_t mark = c.sim.ReceivedBytes().size();
    QSignalSpy finished(&c.frame(), &ui::CMainFrame::workerCommandFinished);
    c.frame().CommandAction(ui::kIdSet)->trigger();
    QVERIFY(WaitFor([&] { return !finished.isEmpty(); }, 60000));
    QCOMPARE(finished.at(0).at(0).toUInt(), WM_CFG_SET_CHANNELS);
    QVERIFY(finished.at(0).at(1).toBool());
    const std::string sent = c.sim.ReceivedBytes().substr(mark);
    QCOMPARE(Occurrences(sent, "AT+SETPARAM="), std::size_t{1});
    QVERIFY(sent.find("AT+SETPARAM=DEVNAME,LAB2\r\n") != std::string::npos);
    QVERIFY(sent.find("AT+SAVEPARAM\r") != std::string::npos);
    QVERIFY(c.harness->LogHas("设置参数成功!\r\n"_gbk));

    // The DTU keeps it: a new query shows it again.
    c.harness->catalogue.Write([](CParamCatalogue& cat) { cat.SetAllSelected(false); });
    c.frame().CommandAction(ui::kIdQuery)->trigger();
    QVERIFY(c.WaitIdle());
    QCOMPARE(c.Cell(c.RowOf("DEVNAME"), 1), QStringLiteral("LAB2"));
  }

  void aRefusedEditShowsTheMessageAndKeepsTheValue() {
    Connected c;
    QVERIFY(c.OpenAndConnect());
    const int row = c.RowOf("HBINT");  // 0, or 10 to 3600
    auto box = AnswerMessageBox(QMessageBox::Ok);
    c.EditRow(row, QStringLiteral("5"));
    QVERIFY(box->seen().seen);
    QCOMPARE(box->seen().text, Qs("心跳间隔参数配置不正确"_gbk));
    QCOMPARE(box->seen().title, Qs("提示"_gbk));
    QCOMPARE(box->seen().icon, static_cast<int>(QMessageBox::Critical));
    QCOMPARE(c.Cell(c.RowOf("HBINT"), 1), QStringLiteral("120"));
  }

  void aNewModeAnsweredYesRestoresDefaultsThenQueries() {
    Connected c;
    QVERIFY(c.OpenAndConnect());
    const std::size_t mark = c.sim.ReceivedBytes().size();
    auto box = AnswerMessageBox(QMessageBox::Yes);
    QComboBox* selector = c.frame().ModeSelector();
    selector->setCurrentIndex(2);
    emit selector->activated(2);
    QVERIFY(box->seen().seen);
    QCOMPARE(
        box->seen().text,
        Qs("通道模式发生变化，使用新的通道模式，DTU参数将恢复到默认值，请确认是否使用新的通道模式？"_gbk));
    QCOMPARE(box->seen().title, QStringLiteral("VarnTool"));
    QCOMPARE(box->seen().icon, static_cast<int>(QMessageBox::NoIcon));
    QVERIFY(c.WaitIdle());
    const std::string sent = c.sim.ReceivedBytes().substr(mark);
    const std::size_t defaults = sent.find("AT+USEDEFAULT=MUL\r\n");
    QVERIFY(defaults != std::string::npos);
    QVERIFY(sent.find("AT+GETPARAM?\r\n", defaults) != std::string::npos);
    QCOMPARE(selector->currentIndex(), 2);
    QCOMPARE(c.frame().ConfirmedModeIndex(), std::optional<int>(2));
    // The tree shows the channels of the new mode.
    const QList<QTreeWidgetItem*> parents =
        c.view()->Tree()->findItems(Qs("通道参数"_gbk), Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(parents.size(), 1);
    QVERIFY(parents[0]->childCount() > 1);
    QVERIFY(parents[0]->child(0)->text(0).contains(Qs("多通道"_gbk)));
  }

  void theMenusRestoreDefaultsAsksAsTheViewsButtonDoes() {
    Connected c;
    QVERIFY(c.OpenAndConnect());
    const QString question = Qs(Format("使用%s模式，DTU参数将恢复到默认值，请确认是否恢复到默认值？"_gbk,
                                       std::string(ModeDisplayName(kModeSin))));
    std::size_t mark = c.sim.ReceivedBytes().size();
    {
      auto box = AnswerMessageBox(QMessageBox::No);
      c.frame().CommandAction(ui::kIdDefaults)->trigger();
      QVERIFY(box->seen().seen);
      QCOMPARE(box->seen().text, question);
    }
    QTest::qWait(200);
    QVERIFY(c.frame().WorkerIsIdle());
    QCOMPARE(c.sim.ReceivedBytes().size(), mark);
    {
      auto box = AnswerMessageBox(QMessageBox::Yes);
      c.frame().CommandAction(ui::kIdDefaults)->trigger();
      QVERIFY(box->seen().seen);
      QCOMPARE(box->seen().text, question);
    }
    QVERIFY(c.WaitIdle());
    const std::string sent = c.sim.ReceivedBytes().substr(mark);
    const std::size_t defaults = sent.find("AT+USEDEFAULT=SIN\r\n");
    QVERIFY(defaults != std::string::npos);
    QVERIFY(sent.find("AT+GETPARAM?\r\n", defaults) != std::string::npos);
    QVERIFY(c.harness->LogHas("DTU恢复默认参数值成功.\r\n"_gbk));

    // Away from the parameter view the command carries no mode: a DTU of the
    // later generation is not reset, and nothing is asked.
    c.frame().CommandAction(ui::kIdTestView)->trigger();
    QVERIFY(c.view() == nullptr);
    mark = c.sim.ReceivedBytes().size();
    ModalResponder watch([](QWidget* modal) { modal->close(); }, 300);
    c.frame().CommandAction(ui::kIdDefaults)->trigger();
    QVERIFY(c.WaitIdle());
    QTest::qWait(350);
    QVERIFY(!watch.seen().seen);
    QCOMPARE(c.harness->LogLines().back(),
             std::string("设置默认参数失败，原因：通道模式不正确【SIN,BAK,MUL,MULB】***!\r\n"_gbk));
    QCOMPARE(c.sim.ReceivedBytes().size(), mark);
  }

  void aNewModeAnsweredNoPutsTheSelectionBack() {
    Connected c;
    QVERIFY(c.OpenAndConnect());
    const std::size_t mark = c.sim.ReceivedBytes().size();
    auto box = AnswerMessageBox(QMessageBox::No);
    QComboBox* selector = c.frame().ModeSelector();
    selector->setCurrentIndex(1);
    emit selector->activated(1);
    QVERIFY(box->seen().seen);
    QCOMPARE(selector->currentIndex(), 0);
    QTest::qWait(200);
    QVERIFY(c.frame().WorkerIsIdle());
    QCOMPARE(c.sim.ReceivedBytes().size(), mark);
  }

  void aDtuInAnotherModeMovesTheSelectorAndIsQueriedAgain() {
    Connected c({"--report-mode", "MUL"});
    ModalResponder watch([](QWidget* modal) { modal->close(); }, 60000);
    QVERIFY(c.OpenAndConnect());
    QVERIFY(!watch.seen().seen);  // the DTU's own mode asks nothing
    QCOMPARE(c.frame().ModeSelector()->currentIndex(), 2);
    QCOMPARE(c.frame().ConfirmedModeIndex(), std::optional<int>(2));
    QCOMPARE(Occurrences(c.sim.ReceivedBytes(), "AT+GETPARAM?\r\n"), std::size_t{2});
    QVERIFY(c.harness->LogHas(Format("当前通道模式已经变为：%s!\r\n"_gbk, std::string("多通道"_gbk))));
  }

  void anEarlierGenerationDtuHidesTheModeSelector() {
    Connected c({"--profile", test::ShippedDataFile("dtusim_s2.profile")});
    QVERIFY(c.OpenAndConnect());
    QVERIFY(!c.frame().ModeSelector()->isVisibleTo(&c.frame()));
    QVERIFY(!c.frame().findChild<QLabel*>(QStringLiteral("mode_label"))->isVisibleTo(&c.frame()));
    QVERIFY(c.harness->Enabled(ui::kIdQuery));
  }

  void theParameterViewCommandBuildsAFreshViewOnTheOpenPort() {
    Connected c;
    QVERIFY(c.OpenAndConnect());
    QPointer<ui::CViewConfig> first = c.view();
    c.frame().CommandAction(ui::kIdParameterView)->trigger();
    QVERIFY(c.view() != nullptr);
    QVERIFY(c.view() != first.data());
    QTRY_VERIFY(first.isNull());
    QVERIFY(c.harness->LogHas("处于参数配置界面!"_gbk));
    // Still connected: the parameter commands stay on.
    for (const int id : {ui::kIdQuery, ui::kIdSet, ui::kIdDefaults, ui::kIdRestart, ui::kIdSelectAll,
                         ui::kIdImport, ui::kIdExport, ui::kIdConnectDtu}) {
      QVERIFY2(c.harness->Enabled(id), qPrintable(QString::number(id)));
    }
    QVERIFY(c.view()->Tree()->topLevelItemCount() > 0);
    // The new view loaded the catalogue afresh; the port was re-opened for it
    // and a query fills the values again.
    QVERIFY(c.harness->flags.port_open.load());
    QSignalSpy finished(&c.frame(), &ui::CMainFrame::workerCommandFinished);
    c.frame().CommandAction(ui::kIdQuery)->trigger();
    QVERIFY(WaitFor([&] { return !finished.isEmpty(); }, 60000));
    QVERIFY(finished.at(0).at(1).toBool());
    QCOMPARE(c.Cell(c.RowOf("DEVNAME"), 1), QStringLiteral("ZR3100_LAB"));
  }

  void exportThenImportThroughTheMenuRoundTripsTheValues() {
    Connected c;
    QVERIFY(c.OpenAndConnect());
    const std::string path = c.harness->Folder() + "/line.ini";
    c.view()->SetFileChooser([&](const ui::ConfigFileDialogRequest&) -> std::optional<QString> {
      return QString::fromStdString(path);
    });
    c.frame().CommandAction(ui::kIdExport)->trigger();
    QVERIFY(c.harness->LogHas(std::string("导出参数到配置文件成功, 文件路径是:"_gbk) + path + "\r\n"));

    c.EditRow(c.RowOf("DEVNAME"), QStringLiteral("CHANGED"));
    QCOMPARE(c.Cell(c.RowOf("DEVNAME"), 1), QStringLiteral("CHANGED"));
    c.frame().CommandAction(ui::kIdImport)->trigger();
    QVERIFY(c.harness->LogHas(std::string("导入参数配置文件成功, 文件名:"_gbk) + path + "\r\n"));
    QCOMPARE(c.Cell(c.RowOf("DEVNAME"), 1), QStringLiteral("ZR3100_LAB"));
  }
};

QTEST_MAIN(TestShellDtu)
#include "tst_shell_dtu.moc"
