// The several-ports test page in the real main window: ports typed into the
// picker, one tile per port against its own simulated unit, tiles coloured
// by their verdict with their counts, the serial-number questions of
// finished units one dialog at a time, Stop for all ports, and the page that
// cannot be left while a run is active.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>
#include <memory>
#include <string>
#include <vector>

#include "prodtest/station.h"
#include "support/dtusim_fixture.h"
#include "support/prodtest_bench.h"
#include "support/shell_harness.h"
#include "support/shell_modal.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/prodtest/serial_number_dlg.h"
#include "ui/prodtest/station_prompt_queue.h"
#include "ui/prodtest/station_tile.h"
#include "ui/prodtest/test_choices_panel.h"
#include "ui/prodtest/view_multi_test.h"
#include "ui/shell/main_frame.h"

using namespace zt;
using namespace zt::literals;
using shelltest::AnswerMessageBox;
using shelltest::WaitFor;
using ui::Qs;

namespace {

// The window on its own settings, its own port closed, the several-ports
// page on screen, and one simulator per argument list.
class MultiBench {
 public:
  explicit MultiBench(const std::vector<std::vector<std::string>>& sims = {}) {
    for (const auto& args : sims) {
      sims_.push_back(std::make_unique<test::DtuSimProcess>());
      if (!sims_.back()->Start(args)) {
        error_ = sims_.back()->error();
        return;
      }
    }
    harness_ = std::make_unique<shelltest::FrameHarness>();
    harness_->Show();
    QAction* command = frame().CommandAction(ui::kIdMultiTestView);
    if (command == nullptr || !command->isEnabled()) return;
    command->trigger();
    ok_ = page() != nullptr;
  }
  ~MultiBench() {
    if (ui::CViewMultiTest* p = page(); p != nullptr && p->AnyRunning()) p->StopAllCommand();
    harness_.reset();
  }

  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }
  ui::CMainFrame& frame() { return harness_->frame(); }
  shelltest::FrameHarness& harness() { return *harness_; }
  ui::CViewMultiTest* page() { return qobject_cast<ui::CViewMultiTest*>(frame().CurrentPage()); }
  test::DtuSimProcess& sim(std::size_t i) { return *sims_[i]; }

  template <typename W>
  W* Find(const char* name) {
    return page()->findChild<W*>(QString::fromLatin1(name));
  }
  void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
  }
  void Click(const char* name) { Click(Find<QAbstractButton>(name)); }
  void Type(const char* name, const QString& text) {
    QLineEdit* edit = Find<QLineEdit>(name);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }
  void Tick(const char* name) {
    if (!Find<QCheckBox>(name)->isChecked()) Click(name);
  }
  // Types each simulator's tty into the picker.
  void TypeSimPorts() {
    for (auto& s : sims_) {
      Type("portEdit", QString::fromStdString(s->SlavePath()));
      Click("addPortButton");
    }
  }
  void ChooseRunTest() {
    Click("semiFinishedRadio");
    Tick("runTestBox");
    Type("keyStringEdit", QStringLiteral("ZR-3100 READY"));
    Type("signalThresholdEdit", QStringLiteral("15"));
  }
  // Waits until no tile runs.
  bool WaitIdle(int limit_ms = 90000) {
    return WaitFor([&] { return !page()->AnyRunning(); }, limit_ms);
  }
  QString Label(int tile, const char* name) { return page()->Tile(tile)->findChild<QLabel*>(name)->text(); }

  test::TempDir files;

 private:
  std::vector<std::unique_ptr<test::DtuSimProcess>> sims_;
  std::unique_ptr<shelltest::FrameHarness> harness_;
  std::string error_;
  bool ok_ = false;
};

QString PtsLabel(const test::DtuSimProcess& sim) {
  return ui::CViewMultiTest::PortLabel(QString::fromStdString(sim.SlavePath()));
}

}  // namespace

class TestProdtestMulti : public QObject {
  Q_OBJECT

 private slots:
  void theCommandIsInTheViewsMenuAndOnTheToolbar() {
    MultiBench b;
    QVERIFY(b.ok());
    QAction* command = b.frame().CommandAction(ui::kIdMultiTestView);
    QCOMPARE(command->text(), Qs("多工位测试"_gbk));
    auto* views = b.frame().findChild<QMenu*>(QStringLiteral("menu_views"));
    QVERIFY(views->actions().contains(command));
    auto* toolbar = b.frame().findChild<QToolBar*>(QStringLiteral("main_toolbar"));
    QVERIFY(toolbar->actions().contains(command));
    QCOMPARE(b.page()->ViewId(), ui::kViewMultiTest);
    // The single-unit page is still its own command.
    b.frame().CommandAction(ui::kIdTestView)->trigger();
    QVERIFY(b.page() == nullptr);
  }

  void typedPortsRunAtOnceAndEachTileShowsItsVerdictInColour() {
    MultiBench b({{}, {"--csq", "9"}, {}});
    QVERIFY2(b.ok(), b.error().c_str());
    b.TypeSimPorts();
    QCOMPARE(b.page()->TileCount(), 3);
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(b.page()->Tile(i)->PortLabel(), PtsLabel(b.sim(static_cast<std::size_t>(i))));
      QCOMPARE(b.page()->Tile(i)->StateText(), Qs("空闲"_gbk));
    }
    b.ChooseRunTest();
    b.Click("startAllButton");
    QVERIFY(b.page()->AnyRunning());
    QVERIFY(!b.Find<QWidget>("portList")->isEnabled());
    QVERIFY(!b.Find<QWidget>("runTestBox")->isEnabled());
    QVERIFY(b.WaitIdle());
    // The tiles are drawn from the boards on the UI thread, just after.
    QVERIFY(WaitFor([&] {
      for (int i = 0; i < 3; ++i) {
        const StationState state = b.page()->Tile(i)->State();
        if (state != StationState::kPassed && state != StationState::kFailed) return false;
      }
      return true;
    }));

    for (const int i : {0, 2}) {
      ui::StationTile* tile = b.page()->Tile(i);
      QCOMPARE(tile->StateText(), Qs("通过"_gbk));
      QCOMPARE(tile->Background(), ui::StationTile::PassedColour());
      QCOMPARE(b.Label(i, "tileCounts"), Qs("通过: 1  失败: 0"_gbk));
      QVERIFY(tile->StartButton()->isEnabled());
      QVERIFY(!tile->StopButton()->isEnabled());
    }
    ui::StationTile* failed = b.page()->Tile(1);
    QCOMPARE(failed->StateText(), Qs("失败: 信号检测失败：期望最低信号 15, 当前信号 9"_gbk));
    QCOMPARE(failed->Background(), ui::StationTile::FailedColour());
    QCOMPARE(b.Label(1, "tileCounts"), Qs("通过: 0  失败: 1"_gbk));

    // The lines of each run, led by their port.
    const QString info = b.page()->InfoText();
    for (const int i : {0, 2}) {
      const QString line =
          QStringLiteral("[") + PtsLabel(b.sim(static_cast<std::size_t>(i))) + "] " + Qs("配置测试成功!"_gbk);
      QVERIFY2(info.contains(line), qPrintable(info));
    }
    QVERIFY(!info.contains(QStringLiteral("[") + PtsLabel(b.sim(1)) + "] " + Qs("配置测试成功!"_gbk)));
    QVERIFY(b.Find<QWidget>("portList")->isEnabled());

    // A second start on one tile counts on.
    b.Click(b.page()->Tile(0)->StartButton());
    QVERIFY(b.WaitIdle());
    QVERIFY(WaitFor([&] { return b.Label(0, "tileCounts") == Qs("通过: 2  失败: 0"_gbk); }));
    QCOMPARE(b.Label(2, "tileCounts"), Qs("通过: 1  失败: 0"_gbk));
  }

  void finishedUnitsAreAskedOneDialogAtATimeNamingTheirPort() {
    MultiBench b({{}, {}});
    QVERIFY2(b.ok(), b.error().c_str());
    b.TypeSimPorts();
    const std::string file = prodtestgui::MakeSimConfigFile(b.files.File("unit"));
    QVERIFY(!file.empty());
    b.Click("finishedRadio");
    b.Tick("configureBox");
    b.page()->Choices()->SetFileChooser(
        [file](const ui::ConfigFileDialogRequest&) { return QString::fromStdString(file); });
    b.Click("importConfigButton");
    b.Click("startAllButton");

    ui::StationPromptQueue& prompts = b.page()->Prompts();
    QVERIFY(WaitFor([&] { return prompts.Waiting() == 2 && prompts.OpenDialog() != nullptr; }, 60000));
    // One dialog for the two questions, titled with its port.
    QCOMPARE(b.page()->findChildren<ui::SerialNumberDialog*>().size(), 1);
    const QString first = prompts.OpenDialogPort();
    QCOMPARE(prompts.OpenDialog()->windowTitle(), ui::StationPromptQueue::TitleFor(first));
    const int first_tile = first == PtsLabel(b.sim(0)) ? 0 : 1;
    QCOMPARE(b.page()->Tile(first_tile)->PortLabel(), first);

    const auto answer = [&](const QString& product, const QString& imei) {
      ui::SerialNumberDialog* dialog = prompts.OpenDialog();
      QTest::keyClicks(dialog->ProductEdit(), product);
      QTest::keyClick(dialog->ProductEdit(), Qt::Key_Return);
      QTest::keyClicks(dialog->ImeiEdit(), imei);
      QTest::keyClick(dialog->ImeiEdit(), Qt::Key_Return);
    };
    QPointer<ui::SerialNumberDialog> gone = prompts.OpenDialog();
    answer(QStringLiteral("ZR3100A0001"), QStringLiteral("86012345678901"));
    // The other port's question follows in a dialog of its own.
    QVERIFY(WaitFor([&] { return gone.isNull() && prompts.OpenDialog() != nullptr; }));
    QVERIFY(prompts.OpenDialogPort() != first);
    QCOMPARE(prompts.OpenDialog()->windowTitle(), ui::StationPromptQueue::TitleFor(prompts.OpenDialogPort()));
    answer(QStringLiteral("ZR3100A0002"), QStringLiteral("86012345678902"));
    QVERIFY(b.WaitIdle());
    QVERIFY(WaitFor([&] { return b.page()->Tile(1 - first_tile)->State() == StationState::kPassed; }));

    // Each scan reached the unit of the port its dialog named.
    QVERIFY(WaitFor([&] { return b.page()->Tile(first_tile)->State() == StationState::kPassed; }));
    const std::string sent_first = b.sim(static_cast<std::size_t>(first_tile)).ReceivedBytes();
    const std::string sent_second = b.sim(static_cast<std::size_t>(1 - first_tile)).ReceivedBytes();
    QVERIFY(sent_first.find("AT+SETPARAM=SPPID,ZR3100A0001\r\n") != std::string::npos);
    QVERIFY(sent_second.find("AT+SETPARAM=SPPID,ZR3100A0002\r\n") != std::string::npos);
    QVERIFY(sent_second.find("ZR3100A0001") == std::string::npos);
    QVERIFY(b.Label(first_tile, "tileIdentity").contains(QStringLiteral("86012345678901")));
    QVERIFY(b.Label(first_tile, "tileIdentity").contains(QStringLiteral("ZR3100A0001")));
    QVERIFY(b.Label(1 - first_tile, "tileIdentity").contains(QStringLiteral("86012345678902")));
  }

  void stoppingThePortWhoseQuestionIsOnScreenShowsTheNextPortsQuestion() {
    MultiBench b({{}, {}});
    QVERIFY2(b.ok(), b.error().c_str());
    b.TypeSimPorts();
    const std::string file = prodtestgui::MakeSimConfigFile(b.files.File("unit"));
    b.Click("finishedRadio");
    b.Tick("configureBox");
    b.page()->Choices()->SetFileChooser(
        [file](const ui::ConfigFileDialogRequest&) { return QString::fromStdString(file); });
    b.Click("importConfigButton");
    b.Click("startAllButton");
    ui::StationPromptQueue& prompts = b.page()->Prompts();
    QVERIFY(WaitFor([&] { return prompts.Waiting() == 2 && prompts.OpenDialog() != nullptr; }, 60000));
    const QString first = prompts.OpenDialogPort();
    const int first_tile = first == PtsLabel(b.sim(0)) ? 0 : 1;
    QPointer<ui::SerialNumberDialog> gone = prompts.OpenDialog();
    b.Click(b.page()->Tile(first_tile)->StopButton());
    QVERIFY(!b.page()->StationAt(first_tile).Running());
    QVERIFY(WaitFor([&] { return gone.isNull() && prompts.OpenDialog() != nullptr; }));
    QCOMPARE(prompts.OpenDialogPort(), b.page()->Tile(1 - first_tile)->PortLabel());
    QCOMPARE(prompts.Waiting(), 1);
    b.Click("stopAllButton");
    QVERIFY(WaitFor([&] { return prompts.OpenDialog() == nullptr && prompts.Waiting() == 0; }));
    QVERIFY(b.sim(0).ReceivedBytes().find("AT+SETPARAM") == std::string::npos);
    QVERIFY(b.sim(1).ReceivedBytes().find("AT+SETPARAM") == std::string::npos);
  }

  void stopAllEndsEveryRunAtOnceAndOnlyThenThePageMayBeLeft() {
    MultiBench b({{}, {}});
    QVERIFY2(b.ok(), b.error().c_str());
    b.TypeSimPorts();
    b.ChooseRunTest();
    b.Tick("continuousBox");
    b.Type("waitTimeEdit", QStringLiteral("30"));
    b.Click("startAllButton");
    // Both units passed once and their runs wait for the next.
    QVERIFY(WaitFor(
        [&] {
          return b.Label(0, "tileCounts") == Qs("通过: 1  失败: 0"_gbk) &&
                 b.Label(1, "tileCounts") == Qs("通过: 1  失败: 0"_gbk);
        },
        60000));
    QVERIFY(b.page()->AnyRunning());
    QPointer<ui::CViewMultiTest> page = b.page();
    {
      auto box = AnswerMessageBox(QMessageBox::Ok);
      b.frame().CommandAction(ui::kIdParameterView)->trigger();
      QVERIFY(box->seen().seen);
      QCOMPARE(box->seen().text, Qs("多工位测试正在进行，请先停止测试!"_gbk));
      QCOMPARE(b.page(), page.data());
    }
    QElapsedTimer timer;
    timer.start();
    b.Click("stopAllButton");
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!b.page()->AnyRunning());
    for (int i = 0; i < 2; ++i) {
      QCOMPARE(b.page()->StationAt(i).Run().LastOutcome(), RunOutcome::kStopped);
      QVERIFY(b.page()->Tile(i)->StartButton()->isEnabled());
    }
    QVERIFY(b.page()->InfoText().contains(Qs("配置测试结束!"_gbk)));
    b.frame().CommandAction(ui::kIdParameterView)->trigger();
    QVERIFY(b.page() == nullptr);
    QVERIFY(WaitFor([&] { return page.isNull(); }));
  }

  void theTileStopEndsOnlyItsOwnPort() {
    MultiBench b({{}, {}});
    QVERIFY2(b.ok(), b.error().c_str());
    b.TypeSimPorts();
    b.ChooseRunTest();
    b.Tick("continuousBox");
    b.Type("waitTimeEdit", QStringLiteral("30"));
    b.Click("startAllButton");
    QVERIFY(WaitFor([&] { return b.page()->StationAt(0).Board().Snapshot().passed == 1; }, 60000));
    b.Click(b.page()->Tile(0)->StopButton());
    QVERIFY(!b.page()->StationAt(0).Running());
    QVERIFY(b.page()->StationAt(1).Running());
    QVERIFY(b.page()->Tile(1)->StopButton()->isEnabled());
    b.Click("stopAllButton");
    QVERIFY(!b.page()->AnyRunning());
  }

  void thePickerTakesAtMostSixteenPorts() {
    MultiBench b;
    QVERIFY(b.ok());
    for (int i = 0; i < ui::CViewMultiTest::kMaxPorts; ++i) {
      QVERIFY(b.page()->AddPort(QStringLiteral("/dev/ttyNONE%1").arg(i)));
    }
    QCOMPARE(b.page()->TileCount(), 16);
    {
      auto box = AnswerMessageBox(QMessageBox::Ok);
      QVERIFY(!b.page()->AddPort(QStringLiteral("/dev/ttyNONE16")));
      QVERIFY(box->seen().seen);
      QCOMPARE(box->seen().text, Qs("最多只能选择16个端口"_gbk));
    }
    QCOMPARE(b.page()->TileCount(), 16);
    QCOMPARE(b.page()->ChosenPorts().size(), 16);
    QCOMPARE(b.page()->Tile(3)->PortLabel(), QStringLiteral("ttyNONE3"));
  }

  void aPortThatWillNotOpenFailsItsTileWithTheReason() {
    MultiBench b(std::vector<std::vector<std::string>>(1));
    QVERIFY2(b.ok(), b.error().c_str());
    b.TypeSimPorts();
    QVERIFY(b.page()->AddPort(QString::fromStdString(b.files.File("ttyGONE"))));
    b.ChooseRunTest();
    b.Click("startAllButton");
    QVERIFY(b.WaitIdle());
    QVERIFY(WaitFor([&] { return b.page()->Tile(0)->State() == StationState::kPassed; }));
    QCOMPARE(b.page()->Tile(1)->State(), StationState::kFailed);
    QVERIFY(b.page()->Tile(1)->StateText().startsWith(Qs("失败: "_gbk)));
    QCOMPARE(b.Label(1, "tileCounts"), Qs("通过: 0  失败: 0"_gbk));
  }
};

QTEST_MAIN(TestProdtestMulti)
#include "tst_prodtest_multi.moc"
