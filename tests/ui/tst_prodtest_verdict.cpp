// The production-test page shows the unit: its steps, its time and a verdict
// a line sees and hears, against the simulated DTU; the counts of a
// continuous run, and the "声音提示" switch kept in tool_set.ini.
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <vector>

#include "support/prodtest_bench.h"
#include "support/shell_modal.h"
#include "text/gbk_literal.h"
#include "text/profile_file.h"
#include "ui/common/qt_text.h"
#include "ui/prodtest/verdict_panel.h"

using namespace zt;
using namespace zt::literals;
using namespace zt::prodtestgui;
using shelltest::WaitFor;
using ui::Qs;

namespace {

void ChooseRunTest(TestViewBench& b, const QString& threshold) {
  b.Tick("runTestBox", true);
  b.Type("keyStringEdit", QStringLiteral("ZR-3100 READY"));
  b.Type("signalThresholdEdit", threshold);
}

}  // namespace

class TestProdtestVerdict : public QObject {
  Q_OBJECT

 private slots:
  void aPassedThenAFailedUnitShowTheirVerdictsAndSoundApart() {
    TestViewBench b(WithSim({"--csq", "15"}));
    QVERIFY2(b.ok(), b.sim.error().c_str());
    ui::VerdictPanel* panel = b.view()->Verdict();
    std::vector<UnitVerdict> sounded;
    panel->SetSoundPlayer([&](UnitVerdict v) { sounded.push_back(v); });
    QVERIFY(panel->VerdictText().isEmpty());
    QVERIFY(panel->SoundBox()->isChecked());

    b.Click("semiFinishedRadio");
    ChooseRunTest(b, QStringLiteral("15"));
    b.Click("startButton");
    QVERIFY(b.WaitIdle());
    QCOMPARE(panel->VerdictText(), Qs("通过"_gbk));
    QVERIFY(panel->DetailText().isEmpty());
    QCOMPARE(panel->StepText(), Qs("步骤 2/2: 运行测试"_gbk));
    auto* bar = b.Find<QProgressBar>("unitStepBar");
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(panel->ElapsedText().startsWith(QStringLiteral("00:")));
    QVERIFY(!panel->Board().ClockRunning());
    QCOMPARE(sounded, std::vector<UnitVerdict>{UnitVerdict::kPassed});

    // The next unit: the verdict of the last stays until it begins.
    b.Type("signalThresholdEdit", QStringLiteral("16"));
    b.Click("startButton");
    QVERIFY(b.WaitIdle());
    QCOMPARE(panel->VerdictText(), Qs("失败"_gbk));
    QCOMPARE(panel->DetailText(), Qs("信号检测失败：期望最低信号 16, 当前信号 15"_gbk));
    QCOMPARE(bar->value(), 1);  // the connect was done, the run test was not
    QCOMPARE(sounded, (std::vector<UnitVerdict>{UnitVerdict::kPassed, UnitVerdict::kFailed}));
    // Single runs count too: the units since the page opened.
    auto* tally = b.Find<QLabel>("unitTallyLabel");
    QVERIFY(tally->isVisibleTo(b.view()));
    QCOMPARE(panel->TallyText(), Qs(UnitTallyText(1, 1)));

    // Off: stored in a section of the window's own, and the next verdict is silent.
    b.Click("verdictSoundBox");
    QVERIFY(!panel->SoundBox()->isChecked());
    QCOMPARE(ProfileFile::Load(b.harness().SettingsPath()).Get("WINDOW", "VERDICT_SOUND"),
             std::optional<std::string>("0"));
    b.Click("startButton");
    QVERIFY(b.WaitIdle());
    QCOMPARE(sounded.size(), std::size_t{2});
  }

  void aContinuousRunCountsItsUnitsAndTheSwitchComesBackOff() {
    TestViewBench b(WithSim({"--csq", "15"}));
    QVERIFY2(b.ok(), b.sim.error().c_str());
    // The page opens with the stored switch.
    b.Click("verdictSoundBox");
    QVERIFY(b.OpenTestView());
    ui::VerdictPanel* panel = b.view()->Verdict();
    QVERIFY(!panel->SoundBox()->isChecked());
    std::vector<UnitVerdict> sounded;
    panel->SetSoundPlayer([&](UnitVerdict v) { sounded.push_back(v); });

    b.Click("semiFinishedRadio");
    ChooseRunTest(b, QStringLiteral("15"));
    b.Tick("continuousBox", true);
    b.Type("waitTimeEdit", QStringLiteral("0"));
    b.Click("startButton");
    QVERIFY(WaitFor([&] { return panel->Board().PassedUnits() >= 2; }, 60000));
    b.Click("stopButton");
    QVERIFY(b.ControlsIdle());
    const int passed = panel->Board().PassedUnits();
    QCOMPARE(panel->TallyText(), Qs(UnitTallyText(passed, 0)));
    QVERIFY(!panel->Board().ClockRunning());
    QVERIFY(sounded.empty());
  }
};

QTEST_MAIN(TestProdtestVerdict)
#include "tst_prodtest_verdict.moc"
