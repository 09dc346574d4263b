// The worker's reports reach the window on the UI thread while the worker
// waits, and the window stays responsive while a command runs. The DTU here
// is a scripted peer on a pseudo-terminal.
#include <QComboBox>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "support/pty_peer.h"
#include "support/shell_harness.h"
#include "support/shell_modal.h"
#include "support/shell_recording_page.h"
#include "text/gbk_literal.h"
#include "ui/bars/status_panes.h"
#include "ui/common/qt_text.h"
#include "worker/config_messages.h"

using namespace zt;
using namespace zt::literals;
using namespace zt::shelltest;
using ui::Qs;

namespace {

constexpr std::string_view kWakeUp = "                    ";

HarnessOptions OnPort(const std::string& port) {
  HarnessOptions options;
  options.port = port;
  options.view_factory = RecordingPageFactory();
  return options;
}

RecordingPage* Page(FrameHarness& h) { return qobject_cast<RecordingPage*>(h.frame().CurrentPage()); }

}  // namespace

class TestShellWorker : public QObject {
  Q_OBJECT

 private slots:
  void aConnectedDtuEnablesTheParameterCommands() {
    test::PtyPeer dtu;
    dtu.AddRule({.when = std::string(kWakeUp), .reply = {"\r\nRUN AT\r\nOK\r\n"}});
    dtu.AddRule({.when = "AT+LOGIN=pilot\r", .reply = {"\r\nERROR\r\n"}});
    FrameHarness h(OnPort(dtu.Path()));
    h.Show();
    QVERIFY(h.frame().OnOpenPort());
    QSignalSpy finished(&h.frame(), &ui::CMainFrame::workerCommandFinished);
    h.frame().CommandAction(ui::kIdConnectDtu)->trigger();
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.at(0).at(0).toUInt(), WM_CFG_CONNECT);
    QCOMPARE(finished.at(0).at(1).toBool(), false);

    const std::string_view expected[] = {"连接DTU..."_gbk, "连接DTU成功!  "_gbk, "正在登录DTU...\r\n"_gbk,
                                         "登录DTU失败***\r\n"_gbk};
    const auto& lines = h.LogLines();
    QVERIFY(lines.size() >= std::size(expected));
    const std::vector<std::string_view> last(lines.end() - static_cast<std::ptrdiff_t>(std::size(expected)),
                                             lines.end());
    QCOMPARE(last, std::vector<std::string_view>(std::begin(expected), std::end(expected)));
    QCOMPARE(h.frame().PaneText(ui::kPaneConnection), Qs("连接状态: 已连接"_gbk));
    QVERIFY(h.frame().IsConnected());
    for (const int id : {ui::kIdQuery, ui::kIdSet, ui::kIdDefaults, ui::kIdRestart, ui::kIdSelectAll,
                         ui::kIdImport, ui::kIdExport}) {
      QVERIFY2(h.Enabled(id), qPrintable(QString::number(id)));
    }
    QVERIFY(h.commands.IsEnabled(kCmdCommonParams));
    QVERIFY(h.frame().ModeSelector()->isEnabled());
    QCOMPARE(Page(h)->Count("dtu_connected"), 1);
    QCOMPARE(Page(h)->Count("query_done"), 0);  // the failed login reports 0
    QCOMPARE(Page(h)->Count("off_ui_thread"), 0);
    QVERIFY(dtu.Received().find("AT+LOGIN=pilot\r") != std::string::npos);
  }

  void closingThePortAfterAConnectResetsTheStates() {
    test::PtyPeer dtu;
    dtu.AddRule({.when = std::string(kWakeUp), .reply = {"\r\nRUN AT\r\nOK\r\n"}});
    dtu.AddRule({.when = "AT+LOGIN=pilot\r", .reply = {"\r\nERROR\r\n"}});
    FrameHarness h(OnPort(dtu.Path()));
    h.Show();
    QVERIFY(h.frame().OnOpenPort());
    QSignalSpy finished(&h.frame(), &ui::CMainFrame::workerCommandFinished);
    h.frame().OnConnectDtu();
    QVERIFY(finished.wait(30000));
    QVERIFY(h.frame().IsConnected());
    h.frame().OnClosePort();
    QVERIFY(!h.frame().IsConnected());
    QCOMPARE(h.frame().PaneText(ui::kPaneConnection), Qs("连接状态: 未连接"_gbk));
    for (const int id : {ui::kIdQuery, ui::kIdSet, ui::kIdDefaults, ui::kIdRestart, ui::kIdSelectAll,
                         ui::kIdImport, ui::kIdExport, ui::kIdClosePort, ui::kIdConnectDtu}) {
      QVERIFY2(!h.Enabled(id), qPrintable(QString::number(id)));
    }
    QVERIFY(!h.commands.IsEnabled(kCmdCommonParams));
    QVERIFY(!h.frame().ModeSelector()->isEnabled());
    QVERIFY(h.Enabled(ui::kIdOpenPort));
  }

  void theWindowStaysResponsiveWhileAQueryWaits() {
    test::PtyPeer dtu;  // never answers: the query waits up to 60 s
    FrameHarness h(OnPort(dtu.Path()));
    h.Show();
    QVERIFY(h.frame().OnOpenPort());
    QSignalSpy finished(&h.frame(), &ui::CMainFrame::workerCommandFinished);
    h.frame().OnQuery();
    QVERIFY(WaitFor([&] { return dtu.CountReceived("AT+GETPARAM?\r\n") > 0; }));

    // The event loop keeps running while the worker waits for the DTU: a
    // timer keeps firing, and the run log takes the worker's line.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    QVERIFY(WaitFor([&] { return ticks >= 25; }, 10000));
    QVERIFY(h.LogHas("正在进行AT+GETPARAM?.... \r\n"_gbk));
    QVERIFY(!h.frame().WorkerIsIdle());
    QCOMPARE(finished.size(), 0);

    // Closing the port ends the wait at once.
    h.frame().OnClosePort();
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.at(0).at(1).toBool(), false);
    QVERIFY(h.LogHas("串口已关闭，故未完成的动作立即终止!\r\n"_gbk));
  }

  void aConnectBeforeThePortIsOpenAbortsAtOnce() {
    FrameHarness h(OnPort("/dev/zt-unused"));
    h.Show();
    QSignalSpy done(&h.frame(), &ui::CMainFrame::workerDone);
    QSignalSpy finished(&h.frame(), &ui::CMainFrame::workerCommandFinished);
    h.frame().OnConnectDtu();
    QVERIFY(finished.wait(10000));
    QVERIFY(h.LogHas("串口已关闭，故未完成的动作立即终止!\r\n"_gbk));
    QVERIFY(h.LogHas("连接DTU超时或失败***"_gbk));
    QCOMPARE(done.size(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), 0);
  }

  void shuttingDownWhileTheWorkerWaitsEndsTheWorker() {
    test::PtyPeer dtu;
    auto h = std::make_unique<FrameHarness>(OnPort(dtu.Path()));
    h->Show();
    QVERIFY(h->frame().OnOpenPort());
    h->frame().OnQuery();
    h->frame().OnQuery();  // queued behind the first, dropped at shutdown
    QVERIFY(WaitFor([&] { return dtu.CountReceived("AT+GETPARAM?\r\n") > 0; }));
    h.reset();  // joins the worker; must not hang on a report in flight
    QCOMPARE(dtu.CountReceived("AT+GETPARAM?\r\n"), std::size_t{1});
  }
};

QTEST_MAIN(TestShellWorker)
#include "tst_shell_worker.moc"
