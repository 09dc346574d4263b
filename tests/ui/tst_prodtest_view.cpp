// The production-test page in the real main window: Start's refusals, runs
// against the simulated DTU with the lines of the information box in order,
// the serial-number dialog driven like an operator with a barcode scanner,
// continuous testing, Stop wherever the run is, section "TEST", the page
// that cannot be left while a run is active, and the worker's commands kept
// off the port meanwhile.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <sys/resource.h>

#include <atomic>
#include <csignal>
#include <thread>
#include <vector>

#include "serial/serial_port.h"
#include "support/prodtest_bench.h"
#include "support/shell_modal.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"
#include "ui/common/qt_text.h"
#include "ui/config/view_config.h"
#include "ui/prodtest/serial_number_dlg.h"
#include "ui/prodtest/test_output_relay.h"
#include "ui/shell/main_frame.h"

using namespace zt;
using namespace zt::literals;
using namespace zt::prodtestgui;
using shelltest::AnswerMessageBox;
using shelltest::WaitFor;
using ui::Qs;

namespace {

// `gbk` as the box shows it (line ends as "\n").
QString Shown(std::string_view gbk) {
  QString text = Qs(gbk);
  text.remove(QLatin1Char('\r'));
  return text;
}

// True when the fragments occur in `text` one after the other, in order.
bool InOrder(const QString& text, std::initializer_list<std::string_view> fragments, QString* missing) {
  qsizetype at = 0;
  for (const std::string_view f : fragments) {
    const QString what = Shown(f);
    const qsizetype found = text.indexOf(what, at);
    if (found < 0) {
      *missing = what;
      return false;
    }
    at = found + what.size();
  }
  return true;
}

// The choices of a run test on the simulator: its ready text, its signal.
void ChooseRunTest(TestViewBench& b, const QString& key = QStringLiteral("ZR-3100 READY"),
                   const QString& threshold = QStringLiteral("15")) {
  b.Tick("runTestBox", true);
  b.Type("keyStringEdit", key);
  b.Type("signalThresholdEdit", threshold);
}

constexpr std::string_view kStopLines = "等待配置测试线程结束...\r\n配置测试结束!\r\n"_gbk;

}  // namespace

class TestProdtestView : public QObject {
  Q_OBJECT

 private slots:
  // ---- reaching the page -----------------------------------------------------

  void theCommandIsInTheViewsMenuAndOnTheToolbar() {
    TestViewBench b(WithoutSim());
    QVERIFY(b.ok());
    QAction* command = b.frame().CommandAction(ui::kIdTestView);
    QVERIFY(command != nullptr);
    QCOMPARE(command->text(), Qs("配置测试界面"_gbk));
    auto* views = b.frame().findChild<QMenu*>(QStringLiteral("menu_views"));
    QVERIFY(views != nullptr);
    QVERIFY(views->actions().contains(command));
    QCOMPARE(views->actions().indexOf(command), views->actions().indexOf(b.frame().CommandAction(ui::kIdAtView)) + 1);
    auto* toolbar = b.frame().findChild<QToolBar*>(QStringLiteral("main_toolbar"));
    QVERIFY(toolbar->actions().contains(command));
    QCOMPARE(b.view()->ViewId(), ui::kViewTest);
    // Entry 6 decides it.
    b.harness().commands.Set(kCmdTestView);
    b.frame().RefreshCommandStates();
    QVERIFY(!command->isEnabled());
  }

  void aFreshPageOpensIdleWithTheUpgradeItemHidden() {
    TestViewBench b(WithoutSim());
    QVERIFY(b.ok());
    // No section "TEST": a finished product, nothing ticked.
    QVERIFY(b.Radio("finishedRadio")->isChecked());
    QVERIFY(!b.Box("configureBox")->isChecked());
    QVERIFY(!b.Box("runTestBox")->isChecked());
    QVERIFY(!b.Box("continuousBox")->isChecked());
    QCOMPARE(b.Edit("waitTimeEdit")->text(), QStringLiteral("15"));
    QCOMPARE(b.Edit("signalThresholdEdit")->text(), QStringLiteral("0"));
    QVERIFY(b.ControlsIdle());
    for (const char* off : {"importConfigButton", "waitTimeEdit", "keyStringEdit", "signalThresholdEdit"}) {
      QVERIFY2(!b.Find<QWidget>(off)->isEnabled(), off);
    }
    QVERIFY(b.Find<QWidget>("upgradeBox") != nullptr);
    QVERIFY(b.Find<QWidget>("upgradeProgress") != nullptr);
    QVERIFY(!b.Find<QWidget>("upgradeGroup")->isVisibleTo(b.view()));
    QVERIFY(b.Find<QWidget>("testInfoBox")->isVisible());

    // The click rules.
    b.Tick("configureBox", true);
    QVERIFY(b.Button("importConfigButton")->isEnabled());
    b.Tick("runTestBox", true);
    QVERIFY(b.Edit("keyStringEdit")->isEnabled());
    QVERIFY(b.Edit("signalThresholdEdit")->isEnabled());
    b.Tick("continuousBox", true);
    QVERIFY(b.Edit("waitTimeEdit")->isEnabled());
    QVERIFY(b.view()->ContinuousFlag());
    b.Tick("continuousBox", false);
    QVERIFY(!b.Edit("waitTimeEdit")->isEnabled());
    QVERIFY(!b.view()->ContinuousFlag());
    // The number edits take digits only.
    b.Type("signalThresholdEdit", QStringLiteral("1a-2"));
    QCOMPARE(b.Edit("signalThresholdEdit")->text(), QStringLiteral("12"));
  }

  // ---- Start's refusals ------------------------------------------------------

  void startRefusesEachIncompleteChoiceWithItsMessage() {
    TestViewBench b(WithoutSim());
    QVERIFY(b.ok());
    auto refused = [&](std::string_view message) {
      auto box = AnswerMessageBox(QMessageBox::Ok);
      b.Click("startButton");
      QVERIFY2(box->seen().seen, qPrintable(Qs(message)));
      QCOMPARE(box->seen().text, Qs(message));
      QCOMPARE(box->seen().title, Qs("错误提示"_gbk));
      QCOMPARE(box->seen().icon, static_cast<int>(QMessageBox::Warning));
      QVERIFY(b.ControlsIdle());
      QVERIFY(!b.view()->RunActive());
    };
    // Neither item.
    refused("没有选择配置测试项"_gbk);
    // The configure item without a file.
    b.Tick("configureBox", true);
    refused("请选择参数文件"_gbk);
    b.PickConfigFile(b.files.File("missing.ini"));
    refused("请选择参数文件"_gbk);
    b.Tick("configureBox", false);
    // The run test: a threshold beyond 31, then no key string.
    b.Tick("runTestBox", true);
    b.Type("signalThresholdEdit", QStringLiteral("32"));
    b.Type("keyStringEdit", QStringLiteral("READY"));
    refused("输入错误, CSQ的范围是0~31"_gbk);
    b.Type("signalThresholdEdit", QStringLiteral("31"));
    b.Type("keyStringEdit", QString());
    refused("请填写关键字符串"_gbk);
    // Nothing was stored.
    QVERIFY(b.SettingsText().find("[TEST]") == std::string::npos);
  }

  void aValueThatDoesNotConvertIsReportedAndLeftAsItWas() {
    auto box = AnswerMessageBox(QMessageBox::Ok, 30000);
    TestViewBench b(WithoutSim("[TEST]\r\nRUN_TEST=1\r\nRUN_CSQ=abc\r\nRUN_INFO=X\r\n"));
    QVERIFY(b.ok());
    QVERIFY(box->seen().seen);
    QCOMPARE(box->seen().text, Qs("请输入一个整数。"_gbk));
    QVERIFY(b.Box("runTestBox")->isChecked());
    QCOMPARE(b.Edit("signalThresholdEdit")->text(), QStringLiteral("abc"));
  }

  // ---- section "TEST" ------------------------------------------------------------

  void thePageOpensFromSectionTestWithContinuousTestingOff() {
    TestViewBench b(
        WithoutSim("[TEST]\r\nMULTI_TEST=1\r\nWAIT_TIMEVAL=30\r\nCONFIG_TEST=1\r\n"
                   "CONFIG_FILE=/tmp/unit.ini\r\n"));
    QVERIFY(b.ok());
    QVERIFY(b.Radio("finishedRadio")->isChecked());  // "PRODUCT" absent
    QVERIFY(!b.Box("continuousBox")->isChecked());
    QCOMPARE(b.Edit("waitTimeEdit")->text(), QStringLiteral("30"));
    QVERIFY(!b.Edit("waitTimeEdit")->isEnabled());
    QVERIFY(b.Box("configureBox")->isChecked());
    QCOMPARE(b.Edit("configFileEdit")->text(), QStringLiteral("/tmp/unit.ini"));
    QVERIFY(b.Button("importConfigButton")->isEnabled());
    QVERIFY(!b.Box("runTestBox")->isChecked());
  }

  void startStoresTheChoicesAndThePageReopensWithThem() {
    TestViewBench b(WithoutSim());
    QVERIFY(b.ok());
    b.Click("semiFinishedRadio");
    ChooseRunTest(b, QStringLiteral("ZR-3100 READY"), QStringLiteral("31"));
    b.Tick("continuousBox", true);
    b.Type("waitTimeEdit", QStringLiteral("7"));
    b.Click("startButton");
    QVERIFY(b.view()->RunActive());
    const std::string stored = b.SettingsText();
    QVERIFY2(stored.find(
                 "[TEST]\r\nPRODUCT=0\r\nMULTI_TEST=1\r\nWAIT_TIMEVAL=7\r\nCONFIG_TEST=0\r\nCONFIG_FILE=\r\n"
                 "RUN_TEST=1\r\nRUN_CSQ=31\r\nRUN_INFO=ZR-3100 READY\r\n") != std::string::npos,
             stored.c_str());
    // Running: the choices are locked.
    for (const char* locked :
         {"startButton", "semiFinishedRadio", "finishedRadio", "continuousBox", "configureBox", "runTestBox",
          "importConfigButton", "waitTimeEdit", "keyStringEdit", "signalThresholdEdit"}) {
      QVERIFY2(!b.Find<QWidget>(locked)->isEnabled(), locked);
    }
    QVERIFY(b.Button("stopButton")->isEnabled());
    b.Click("stopButton");
    QVERIFY(b.ControlsIdle());
    // Stop wrote nothing.
    QCOMPARE(b.SettingsText(), stored);

    QVERIFY(b.OpenTestView());
    QVERIFY(b.Radio("semiFinishedRadio")->isChecked());
    QVERIFY(!b.Box("continuousBox")->isChecked());
    QCOMPARE(b.Edit("waitTimeEdit")->text(), QStringLiteral("7"));
    QVERIFY(!b.Edit("waitTimeEdit")->isEnabled());
    QVERIFY(b.Box("runTestBox")->isChecked());
    QCOMPARE(b.Edit("signalThresholdEdit")->text(), QStringLiteral("31"));
    QCOMPARE(b.Edit("keyStringEdit")->text(), QStringLiteral("ZR-3100 READY"));
    QVERIFY(b.Edit("keyStringEdit")->isEnabled());
    QVERIFY(!b.Box("configureBox")->isChecked());
  }

  void aStartWhoseChoicesCannotBeStoredSaysSoAndRuns() {
    TestViewBench b(WithoutSim());
    QVERIFY(b.ok());
    ChooseRunTest(b);
    // A file-size limit makes the save fail as a full disk does, for root too.
    const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 16;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    b.Click("startButton");
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previous_handler);
    QVERIFY(b.view()->RunActive());
    QVERIFY2(b.Info().startsWith(Shown("保存测试设置失败!\r\n"_gbk)), qPrintable(b.Info()));
    QVERIFY(b.SettingsText().find("[TEST]") == std::string::npos);
    b.Click("stopButton");
    QVERIFY(b.ControlsIdle());
  }

  // ---- runs against the simulator -------------------------------------------------

  void aSemiFinishedRunWithBothItemsPassesAndShowsItsLinesInOrder() {
    TestViewBench b;
    QVERIFY2(b.ok(), b.sim.error().c_str());
    const std::string file = MakeSimConfigFile(b.files.File("unit"));
    QVERIFY(!file.empty());
    b.Click("semiFinishedRadio");
    b.Tick("configureBox", true);
    b.PickConfigFile(file);
    QCOMPARE(b.Edit("configFileEdit")->text(), QString::fromStdString(file));
    ChooseRunTest(b);
    b.Click("startButton");
    QVERIFY(b.view()->RunActive());
    QVERIFY(b.WaitIdle());
    QVERIFY(b.view()->OpenSerialNumberDialog() == nullptr);  // a semi-finished unit is not asked

    const QString info = b.Info();
    QString missing;
    QVERIFY2(InOrder(info,
                     {"配置测试开始!\r\n"_gbk,
                      "连接...\r\n"_gbk,
                      "连接成功!\r\n"_gbk,
                      "登录成功!\r\n"_gbk,
                      "参数配置...\r\n"_gbk,
                      "设置通道模式!\r\n"_gbk,
                      "DTU通道模式为[SIN].\r\n"_gbk,
                      " 选择了通道 1，设置通道参数 \r\n"_gbk,
                      "参数配置成功!\r\n"_gbk,
                      "配置比较...\r\n"_gbk,
                      " 选择了通道 1，检查参数配置 \r\n"_gbk,
                      "配置比较正确!\r\n"_gbk,
                      "运行测试...\r\n"_gbk,
                      "ZR-3100 READY"_gbk,
                      "登录成功!\r\n"_gbk,
                      "查询信号强度成功，信号强度为[23]!\r\n"_gbk,
                      "IMEI Number: 860123456789012\r\n"_gbk,
                      "Revision: ZR3100_S3_3.1.2\r\n"_gbk,
                      "产品编号："_gbk,
                      "运行测试成功!\r\n"_gbk,
                      "配置测试成功!\r\n"_gbk,
                      "配置测试结束!\r\n"_gbk},
                     &missing),
             qPrintable(missing + QStringLiteral(" in:\n") + info));
    QVERIFY(info.endsWith(Shown("配置测试成功!\r\n配置测试结束!\r\n"_gbk)));
    QCOMPARE(b.view()->Run().LastOutcome(), RunOutcome::kPassed);
    // The unit was configured: no serial numbers for a semi-finished unit.
    const std::string sent = b.sim.ReceivedBytes();
    QVERIFY(sent.find("AT+USEDEFAULT=SIN\r\n") != std::string::npos);
    QVERIFY(sent.find("AT+SAVEPARAM\r") != std::string::npos);
    QVERIFY(sent.find("AT+SETPARAM=SPPID,") == std::string::npos);
    // Nothing of the test goes to the run log.
    for (const std::string& line : b.harness().LogLines()) {
      QVERIFY2(line.find("配置测试"_gbk) == std::string::npos, qPrintable(Qs(line)));
    }
  }

  void aFinishedUnitIsAskedForItsNumbersWhichTheDialogChecks() {
    TestViewBench b;
    QVERIFY2(b.ok(), b.sim.error().c_str());
    const std::string file = MakeSimConfigFile(b.files.File("unit"));
    b.Click("finishedRadio");
    b.Tick("configureBox", true);
    b.PickConfigFile(file);
    b.Click("startButton");
    QVERIFY(WaitFor([&] { return b.view()->OpenSerialNumberDialog() != nullptr; }, 60000));
    ui::SerialNumberDialog* dialog = b.view()->OpenSerialNumberDialog();
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());  // Stop stays within reach
    QCOMPARE(dialog->windowTitle(), Qs("扫描序列号"_gbk));
    QCOMPARE(dialog->ImeiEdit()->text(), QStringLiteral("12345678901234"));
    QVERIFY(dialog->ProductEdit()->text().isEmpty());
    // Esc does not close it.
    QTest::keyClick(dialog->ProductEdit(), Qt::Key_Escape);
    QVERIFY(dialog->isVisible());

    // A lower-case product number is refused and emptied.
    QTest::keyClicks(dialog->ProductEdit(), QStringLiteral("zr3100a0009"));
    {
      auto box = AnswerMessageBox(QMessageBox::Ok);
      QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
      QVERIFY(box->seen().seen);
      QCOMPARE(box->seen().text, Qs("输入产品编号不合法"_gbk));
      QCOMPARE(box->seen().title, Qs("提示"_gbk));
      QCOMPARE(box->seen().icon, static_cast<int>(QMessageBox::Critical));
    }
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->ProductEdit()->text().isEmpty());

    // The scanner: the product number and Enter move on to the IMEI, whose
    // preset is selected; a 13-digit scan replaces it and is refused.
    QTest::keyClicks(dialog->ProductEdit(), QStringLiteral("ZR3100A0009"));
    QTest::keyClick(dialog->ProductEdit(), Qt::Key_Return);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->focusWidget(), dialog->ImeiEdit());
    QCOMPARE(dialog->ImeiEdit()->selectedText(), QStringLiteral("12345678901234"));
    QTest::keyClicks(dialog->ImeiEdit(), QStringLiteral("1234567890123"));
    QCOMPARE(dialog->ImeiEdit()->text(), QStringLiteral("1234567890123"));
    {
      auto box = AnswerMessageBox(QMessageBox::Ok);
      QTest::keyClick(dialog->ImeiEdit(), Qt::Key_Return);
      QVERIFY(box->seen().seen);
      QCOMPARE(box->seen().text, Qs("输入的IMEI号不合法"_gbk));
    }
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->ProductEdit()->text(), QStringLiteral("ZR3100A0009"));

    // Fourteen digits and Enter accept.
    dialog->ImeiEdit()->selectAll();
    QTest::keyClicks(dialog->ImeiEdit(), QStringLiteral("86012345678909"));
    QPointer<ui::SerialNumberDialog> gone = dialog;
    QTest::keyClick(dialog->ImeiEdit(), Qt::Key_Return);
    QVERIFY(WaitFor([&] { return gone.isNull(); }));
    QVERIFY(b.WaitIdle());

    QVERIFY2(b.Info().contains(Shown("产品编号: ZR3100A0009\r\n参数配置...\r\n"_gbk)), qPrintable(b.Info()));
    QVERIFY2(b.Info().endsWith(Shown("配置比较正确!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk)),
             qPrintable(b.Info()));
    const std::string sent = b.sim.ReceivedBytes();
    QVERIFY(sent.find("AT+SETPARAM=SPPID,ZR3100A0009\r\n") != std::string::npos);
    QVERIFY(sent.find("AT+SETPARAM=IMEINUMBER,86012345678909\r\n") != std::string::npos);
    QCOMPARE(ui::CViewTest::SharedUnitIdentity().product_number, std::string("ZR3100A0009"));
  }

  void theCloseBoxKeepsThePreviousUnitsNumbers() {
    ui::CViewTest::SharedUnitIdentity() = {"ZR3100B0001", "86012345678905"};
    TestViewBench b;
    QVERIFY2(b.ok(), b.sim.error().c_str());
    b.Tick("configureBox", true);
    b.PickConfigFile(MakeSimConfigFile(b.files.File("unit")));
    b.Click("startButton");
    QVERIFY(WaitFor([&] { return b.view()->OpenSerialNumberDialog() != nullptr; }, 60000));
    QTest::keyClicks(b.view()->OpenSerialNumberDialog()->ProductEdit(), QStringLiteral("ZR3100B0002"));
    b.view()->OpenSerialNumberDialog()->close();
    QVERIFY(b.WaitIdle());
    QVERIFY(!b.Info().contains(Shown("产品编号: "_gbk)));
    QVERIFY(b.Info().endsWith(Shown("配置测试成功!\r\n配置测试结束!\r\n"_gbk)));
    const std::string sent = b.sim.ReceivedBytes();
    QVERIFY(sent.find("AT+SETPARAM=SPPID,ZR3100B0001\r\n") != std::string::npos);
    QVERIFY(sent.find("AT+SETPARAM=IMEINUMBER,86012345678905\r\n") != std::string::npos);
  }

  void continuousTestingRunsUnitAfterUnitUntilStop() {
    TestViewBench b;
    QVERIFY2(b.ok(), b.sim.error().c_str());
    b.Click("semiFinishedRadio");
    ChooseRunTest(b);
    b.Tick("continuousBox", true);
    b.Type("waitTimeEdit", QStringLiteral("0"));
    b.Click("startButton");
    QVERIFY(b.WaitForInfo("配置测试成功!\r\n"_gbk, 2));
    QVERIFY(b.Info().contains(Shown("配置测试成功!\r\n等待连续配置测试时间间隔...!\r\n连接...\r\n"_gbk)));
    QVERIFY(b.view()->RunActive());
    b.Click("stopButton");
    QVERIFY(b.ControlsIdle());
    QVERIFY(!b.view()->RunActive());
    const QString info = b.Info();
    QVERIFY2(info.endsWith(Shown(kStopLines)), qPrintable(info));
    QCOMPARE(Occurrences(info, Shown("配置测试结束!\r\n"_gbk)), 1);
    // The stopped run adds nothing.
    QTest::qWait(300);
    QCOMPARE(b.Info(), info);
    QVERIFY(b.view()->Run().PassedUnits() >= 2);
  }

  void stopDuringTheKeyStringWaitGivesTheControlsBackAtOnce() {
    TestViewBench b(WithSim({"--no-ready"}));
    QVERIFY2(b.ok(), b.sim.error().c_str());
    ChooseRunTest(b);
    b.Click("startButton");
    // The unit has booted and prints no ready text: the run waits (120 s).
    QVERIFY(b.WaitForInfo("Revision: ZR3100_S3_3.1.2\r\n"));
    QVERIFY(b.view()->RunActive());
    QElapsedTimer clock;
    clock.start();
    b.Click("stopButton");
    const qint64 took = clock.elapsed();
    QVERIFY(b.ControlsIdle());
    QVERIFY2(took < 1000, qPrintable(QString::number(took)));
    QVERIFY2(b.Info().endsWith(Shown(kStopLines)), qPrintable(b.Info()));
    QCOMPARE(b.view()->Run().LastOutcome(), RunOutcome::kStopped);
    QVERIFY(b.sim.ReceivedBytes().find("+++") == std::string::npos);
  }

  void whileARunHasThePortTheWorkersCommandsAreOffAndRefused() {
    TestViewBench b(WithSim({"--no-ready"}));
    QVERIFY2(b.ok(), b.sim.error().c_str());
    QSignalSpy finished(&b.frame(), &ui::CMainFrame::workerCommandFinished);
    b.frame().CommandAction(ui::kIdConnectDtu)->trigger();
    QVERIFY(WaitFor([&] { return !finished.isEmpty() && b.frame().WorkerIsIdle(); }, 60000));
    QVERIFY(b.frame().IsConnected());
    const int worker_commands[] = {ui::kIdConnectDtu, ui::kToolConnectDtu, ui::kIdQuery,        ui::kIdSet,
                                   ui::kIdDefaults,   ui::kIdRestart,      ui::kIdCommonParams};
    auto all_enabled = [&](bool enabled) {
      for (const int id : worker_commands) {
        if (b.harness().Enabled(id) != enabled) return false;
      }
      return b.frame().ModeSelector()->isEnabled() == enabled;
    };
    QVERIFY(all_enabled(true));

    ChooseRunTest(b);
    b.Click("startButton");
    // The unit prints no ready text: the run waits for it with the port.
    QVERIFY(b.WaitForInfo("Revision: ZR3100_S3_3.1.2\r\n"));
    QVERIFY(all_enabled(false));
    QVERIFY(b.harness().Enabled(ui::kIdClosePort));  // closing the port still ends the run's exchanges

    // A request that reaches the worker all the same sends nothing.
    const std::size_t mark = b.sim.ReceivedBytes().size();
    b.frame().OnQuery();
    QVERIFY(WaitFor([&] { return b.frame().WorkerIsIdle(); }, 10000));
    QCOMPARE(b.harness().LogLines().back(),
             std::string("配置测试正在进行，故参数界面的动作被迫终止!\r\n"_gbk));
    QCOMPARE(b.sim.ReceivedBytes().size(), mark);

    b.Click("stopButton");
    QVERIFY(b.ControlsIdle());
    QVERIFY(all_enabled(true));
    QCOMPARE(b.frame().Port().Holder(), PortUser::kNone);  // the run gave the port back
  }

  void stopClosesTheSerialNumberDialog() {
    TestViewBench b;
    QVERIFY2(b.ok(), b.sim.error().c_str());
    b.Tick("configureBox", true);
    b.PickConfigFile(MakeSimConfigFile(b.files.File("unit")));
    b.Click("startButton");
    QVERIFY(WaitFor([&] { return b.view()->OpenSerialNumberDialog() != nullptr; }, 60000));
    QPointer<ui::SerialNumberDialog> dialog = b.view()->OpenSerialNumberDialog();
    b.Click("stopButton");
    QVERIFY(b.ControlsIdle());
    QVERIFY(b.view()->OpenSerialNumberDialog() == nullptr);
    QVERIFY(dialog.isNull() || !dialog->isVisible());
    QVERIFY(b.Info().endsWith(Shown(kStopLines)));
    QVERIFY(b.sim.ReceivedBytes().find("AT+SETPARAM") == std::string::npos);
  }

  // ---- leaving the page ----------------------------------------------------------

  void thePageCannotBeLeftWhileARunIsActive() {
    TestViewBench b(WithoutSim());
    QVERIFY(b.ok());
    ChooseRunTest(b);
    b.Click("startButton");
    QVERIFY(b.view()->RunActive());
    QPointer<ui::CViewTest> page = b.view();
    const std::string_view refusal = "配置测试正在进行，请先停止测试!"_gbk;
    for (const int command : {ui::kIdParameterView, ui::kToolParameterView, ui::kIdTestView}) {
      auto box = AnswerMessageBox(QMessageBox::Ok);
      b.frame().CommandAction(command)->trigger();
      QVERIFY(box->seen().seen);
      QCOMPARE(box->seen().text, Qs(refusal));
      QCOMPARE(box->seen().title, Qs("提示"_gbk));
      QCOMPARE(b.view(), page.data());
    }
    QVERIFY(!b.harness().LogHas("处于参数配置界面!"_gbk));
    {
      auto box = AnswerMessageBox(QMessageBox::Ok);
      QVERIFY(!b.frame().close());
      QCOMPARE(box->seen().text, Qs(refusal));
      QVERIFY(!b.harness().flags.exiting.load());
    }
    QVERIFY(b.view()->RunActive());

    b.Click("stopButton");
    b.frame().CommandAction(ui::kIdParameterView)->trigger();
    QVERIFY(qobject_cast<ui::CViewConfig*>(b.frame().CurrentPage()) != nullptr);
    QVERIFY(b.harness().LogHas("处于参数配置界面!"_gbk));
  }

  void theExitCommandEndsARunningTest() {
    auto b = std::make_unique<TestViewBench>(WithoutSim());
    QVERIFY(b->ok());
    ChooseRunTest(*b);
    b->Click("startButton");
    QVERIFY(b->view()->RunActive());
    b->frame().CommandAction(ui::kIdExit)->trigger();
    QCOMPARE(b->harness().exit_status, std::optional<int>(ui::kExitCommandStatus));
    // The window goes down with the run still going: it ends with the page.
    QPointer<ui::CViewTest> page = b->view();
    b->frame().Shutdown();
    QVERIFY(page.isNull());
    b.reset();
  }

  // ---- the information box -------------------------------------------------------

  void aBoxOf500LinesIsEmptiedBeforeTheNextLine() {
    TestViewBench b(WithoutSim());
    QVERIFY(b.ok());
    for (int i = 0; i < 499; ++i) b.view()->AppendTestInfo(Format("line %d\r\n", i));
    QVERIFY(b.Info().startsWith(QStringLiteral("line 0\nline 1\n")));
    b.view()->AppendTestInfo("line 499\r\n");
    QCOMPARE(b.Info(), QStringLiteral("line 499\n"));
    b.Click("clearButton");
    QVERIFY(b.Info().isEmpty());
  }

  void theRelayKeepsTheOrderAndDropsWhatComesAfterClose() {
    std::vector<std::string> delivered;
    ui::TestOutputRelay relay([&](const ui::TestOutputRelay::Item& item) { delivered.push_back(item.text); },
                              nullptr);
    relay.Post({false, "before open"});
    relay.Open();
    std::thread writer([&] {
      for (int i = 0; i < 1000; ++i) relay.Post({false, std::to_string(i)});
    });
    writer.join();
    QVERIFY(WaitFor([&] { return delivered.size() == 1000; }));
    for (int i = 0; i < 1000; ++i) QCOMPARE(delivered[static_cast<std::size_t>(i)], std::to_string(i));
    relay.Post({false, "queued"});
    relay.Close();
    relay.Post({false, "after close"});
    QTest::qWait(50);
    QCOMPARE(delivered.size(), std::size_t{1000});
  }
};

QTEST_MAIN(TestProdtestView)
#include "tst_prodtest_view.moc"
