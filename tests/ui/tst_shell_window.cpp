// The window shows what it does and remembers where it was: the status
// bar's progress of a worker command against the simulated DTU, the view's
// buttons that follow their menu items, the port pane from the start, and
// the place, run-log height and page restored from tool_set.ini.
#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "params/channel_modes.h"
#include "settings/window_state.h"
#include "support/dtusim_fixture.h"
#include "support/shell_harness.h"
#include "support/shell_modal.h"
#include "text/gbk_literal.h"
#include "text/profile_file.h"
#include "ui/bars/cool_bar.h"
#include "ui/bars/progress_pane.h"
#include "ui/bars/status_panes.h"
#include "ui/common/qt_text.h"
#include "ui/config/view_config.h"
#include "ui/prodtest/view_test.h"
#include "worker/config_messages.h"

using namespace zt;
using namespace zt::literals;
using namespace zt::shelltest;
using ui::Qs;

namespace {

// Waits until the worker reported the end of `message`; its success.
bool WaitFinished(QSignalSpy& finished, unsigned message, bool* succeeded) {
  return WaitFor(
      [&] {
        for (const QList<QVariant>& call : finished) {
          if (call.at(0).toUInt() == message) {
            *succeeded = call.at(1).toBool();
            return true;
          }
        }
        return false;
      },
      60000);
}

void TickParam(SharedCatalogue& catalogue, std::string_view group_name, std::string_view short_name) {
  catalogue.Write([&](CParamCatalogue& c) {
    ParamGroup* group = c.Group(c.GroupIndexByName(group_name));
    for (int i = 0; group != nullptr && i < group->UsedCount(); ++i) {
      if (group->params[static_cast<std::size_t>(i)].short_name == short_name) {
        group->params[static_cast<std::size_t>(i)].selected = true;
      }
    }
  });
}

QPushButton* ViewButton(ui::CMainFrame& frame, const char* name) {
  return frame.CurrentPage()->findChild<QPushButton*>(QString::fromLatin1(name));
}

}  // namespace

class TestShellWindow : public QObject {
  Q_OBJECT

 private slots:
  void theStatusBarFollowsTheWorkerAndTheButtonsFollowTheirMenuItems() {
    test::DtuSimProcess sim;
    QVERIFY2(sim.Start(), sim.error().c_str());
    HarnessOptions options;
    options.port = sim.SlavePath();
    FrameHarness h(std::move(options));
    h.Show();
    ui::CProgressPane* pane = h.frame().ProgressPane();
    QVERIFY(!pane->isVisible());
    QVERIFY(h.frame().OnOpenPort());

    QSignalSpy shown(pane, &ui::CProgressPane::textChanged);
    QSignalSpy finished(&h.frame(), &ui::CMainFrame::workerCommandFinished);
    bool ok = false;
    h.frame().CommandAction(ui::kIdConnectDtu)->trigger();
    QVERIFY(WaitFinished(finished, WM_CFG_CONNECT, &ok));
    QVERIFY(ok);
    QVERIFY(shown.first().at(0).toString().startsWith(Qs("正在连接DTU"_gbk) + QStringLiteral("  00:0")));
    QVERIFY(!pane->Busy());
    QVERIFY(!pane->isVisible());
    QVERIFY(pane->Text().isEmpty());

    // A set shows how far it got, and the pane is gone once it ended.
    TickParam(h.catalogue, "串口参数"_gbk, "UPARITY");
    TickParam(h.catalogue, "运行参数"_gbk, "HBDATA");
    TickParam(h.catalogue, "通道1参数(单通道)"_gbk, "PROTO");
    shown.clear();
    finished.clear();
    h.frame().CommandAction(ui::kIdSet)->trigger();
    QVERIFY(WaitFinished(finished, WM_CFG_SET_CHANNELS, &ok));
    QVERIFY(ok);
    QStringList texts;
    for (const QList<QVariant>& call : shown)
      texts << call.at(0).toString().section(QStringLiteral("  "), 0, 0);
    texts.removeDuplicates();
    QCOMPARE(texts, (QStringList{Qs("设置参数 1/3"_gbk), Qs("设置参数 2/3"_gbk), Qs("设置参数 3/3"_gbk),
                                 Qs("正在保存参数"_gbk), QString()}));
    QVERIFY(!pane->isVisible());
    // Nothing of it went to the run log.
    QVERIFY(!h.LogHas("设置参数 1/3"_gbk));

    // F5 is the query.
    QVERIFY(QTest::qWaitForWindowActive(&h.frame()));
    finished.clear();
    QTest::keyClick(&h.frame(), Qt::Key_F5);
    QVERIFY(WaitFinished(finished, WM_CFG_QUERY, &ok));
    QVERIFY(ok);

    // After "关闭串口" the view's buttons are off with their menu items.
    const char* buttons[] = {"commonParamsButton", "queryButton", "setButton", "defaultsButton",
                             "restartButton"};
    for (const char* name : buttons) QVERIFY2(ViewButton(h.frame(), name)->isEnabled(), name);
    h.frame().CommandAction(ui::kIdClosePort)->trigger();
    for (const char* name : buttons) QVERIFY2(!ViewButton(h.frame(), name)->isEnabled(), name);
    auto* view = qobject_cast<ui::CViewConfig*>(h.frame().CurrentPage());
    QVERIFY(!view->SelectAllBox()->isEnabled());
    QVERIFY(!h.Enabled(ui::kIdQuery));
    // They return with the next connect.
    QVERIFY(h.frame().OnOpenPort());
    QVERIFY(!ViewButton(h.frame(), "queryButton")->isEnabled());
    finished.clear();
    h.frame().CommandAction(ui::kIdConnectDtu)->trigger();
    QVERIFY(WaitFinished(finished, WM_CFG_CONNECT, &ok));
    for (const char* name : buttons) QVERIFY2(ViewButton(h.frame(), name)->isEnabled(), name);
  }

  void thePortPaneNamesThePortInForceFromTheStart() {
    {
      HarnessOptions options;
      options.settings_text = "[SET]\r\nCOM=/dev/ttyUSB3\r\n";
      FrameHarness h(std::move(options));
      h.Show();
      QCOMPARE(h.frame().PaneText(ui::kPanePort), Qs("/dev/ttyUSB3:  关闭"_gbk));
    }
    HarnessOptions options;
    options.settings_text = "[SET]\r\nCOM=/dev/ttyUSB3\r\n";
    options.port = "/dev/ttyFromOption";
    FrameHarness h(std::move(options));
    h.Show();
    QCOMPARE(h.frame().PaneText(ui::kPanePort), Qs("/dev/ttyFromOption:  关闭"_gbk));
  }

  void placeRunLogAndPageComeBackAndAreKeptOnClose() {
    HarnessOptions options;
    options.settings_text =
        "[SET]\r\nBAUD=9600\r\n[WINDOW]\r\nX=30\r\nY=40\r\nWIDTH=1000\r\nHEIGHT=760\r\nRUN_LOG_HEIGHT=170\r\n"
        "PAGE=132\r\n";
    FrameHarness h(std::move(options));
    h.Show();
    QCOMPARE(h.frame().geometry(), QRect(30, 40, 1000, 760));
    QVERIFY(qobject_cast<ui::CViewTest*>(h.frame().CurrentPage()) != nullptr);
    QTRY_COMPARE(h.frame().RunLogBar()->height(), 170);

    h.frame().setGeometry(50, 60, 1010, 770);
    h.frame().resizeDocks({h.frame().RunLogBar()}, {150}, Qt::Vertical);
    h.frame().CommandAction(ui::kIdParameterView)->trigger();
    QTRY_COMPARE(h.frame().RunLogBar()->height(), 150);
    auto box = AnswerMessageBox(QMessageBox::Ok);
    QVERIFY(h.frame().close());
    const ProfileFile saved = ProfileFile::Load(h.SettingsPath());
    QCOMPARE(saved.Get("WINDOW", "X"), std::optional<std::string>("50"));
    QCOMPARE(saved.Get("WINDOW", "Y"), std::optional<std::string>("60"));
    QCOMPARE(saved.Get("WINDOW", "WIDTH"), std::optional<std::string>("1010"));
    QCOMPARE(saved.Get("WINDOW", "HEIGHT"), std::optional<std::string>("770"));
    QCOMPARE(saved.Get("WINDOW", "RUN_LOG_HEIGHT"), std::optional<std::string>("150"));
    QCOMPARE(saved.Get("WINDOW", "PAGE"), std::optional<std::string>("101"));
    // The connection settings are not the window's to write.
    QCOMPARE(saved.Get("SET", "BAUD"), std::optional<std::string>("9600"));
    QVERIFY(!saved.Get("SET", "COM"));
  }

  void aPlaceOffEveryScreenOpensOnThePrimaryScreen() {
    HarnessOptions options;
    options.settings_text = "[WINDOW]\r\nX=6000\r\nY=-3000\r\nWIDTH=920\r\nHEIGHT=690\r\n";
    FrameHarness h(std::move(options));
    h.Show();
    const QRect primary = QGuiApplication::primaryScreen()->availableGeometry();
    const ScreenRect area{primary.x(), primary.y(), primary.width(), primary.height()};
    const ScreenRect placed = PlaceOnScreens({6000, -3000, 920, 690}, {area}, area);
    // On the primary screen by the same rule, where the rule put it (the
    // platform may nudge it sideways to fit its smallest size).
    const QRect now = h.frame().geometry();
    const ScreenRect shown{now.x(), now.y(), now.width(), now.height()};
    QCOMPARE(PlaceOnScreens(shown, {area}, area), shown);
    QCOMPARE(now.y(), placed.y);
  }
};

QTEST_MAIN(TestShellWindow)
#include "tst_shell_window.moc"
