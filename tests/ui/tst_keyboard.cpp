// Without a mouse: the parameter list ticked and edited from the keyboard,
// a row ticked through the accessibility interface (as screen readers and
// test drivers do), and the production-test page's tab order.
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "support/config_view_driver.h"
#include "support/prodtest_bench.h"
#include "ui/config/list_editors.h"

using zt::ui::test::ConfigViewDriver;

namespace {

// Shipped catalogue, later generation: group slots and parameter slots.
constexpr int kSystem = 1;           // 系统参数
constexpr int kSoftwareVersion = 0;  // read-only: no check box
constexpr int kLogLevel = 7;         // 日志级别, INT1 0~5
constexpr int kSerial = 2;           // 串口参数
constexpr int kBaud = 0;             // 波特率, a list that takes free text

// The widgets named in `names` in the order Tab reaches them from `root`.
QStringList TabOrder(QWidget* root, const QStringList& names) {
  QStringList order;
  QWidget* w = root;
  do {
    w = w->nextInFocusChain();
    if (names.contains(w->objectName()) && !order.contains(w->objectName())) order << w->objectName();
  } while (w != root);
  return order;
}

}  // namespace

class TestKeyboard : public QObject {
  Q_OBJECT

 private slots:
  void spaceTicksTheCurrentRowAndEnterOrF2OpensItsEditor() {
    ConfigViewDriver d;
    QVERIFY(d.shown);
    d.ShowGroup(kSystem);
    zt::ui::CParamListCtrl& list = d.list();
    const int row = d.Row(kLogLevel);
    d.SetValue(kSystem, kLogLevel, "2");
    d.ShowGroup(kSystem);
    list.setFocus();
    list.setCurrentCell(row - 1, 0);
    QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(list.currentRow(), row);

    // Without a tick there is nothing to edit.
    QTest::keyClick(&list, Qt::Key_Return);
    QVERIFY(list.Editor() == nullptr);
    QTest::keyClick(&list, Qt::Key_Space);
    QVERIFY(d.RowChecked(row));
    QVERIFY(d.Selected(kSystem, kLogLevel));

    QTest::keyClick(&list, Qt::Key_F2);
    auto* box = qobject_cast<QLineEdit*>(list.Editor());
    QVERIFY(box != nullptr);
    QVERIFY(box->hasFocus());
    QTest::keyClicks(box, "4");
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(d.Value(kSystem, kLogLevel), std::string("4"));
    QVERIFY(list.hasFocus());
    QTest::keyClick(&list, Qt::Key_Space);
    QVERIFY(!d.Selected(kSystem, kLogLevel));

    // A list that takes free text gets the focus too, and Enter commits it.
    d.SetValue(kSerial, kBaud, "115200");
    d.ShowGroup(kSerial);
    list.setFocus();
    list.setCurrentCell(d.Row(kBaud), 1);
    QTest::keyClick(&list, Qt::Key_Space);
    QTest::keyClick(&list, Qt::Key_Enter, Qt::KeypadModifier);
    auto* combo = qobject_cast<QComboBox*>(list.Editor());
    QVERIFY(combo != nullptr && combo->isEditable());
    QTRY_VERIFY(combo->hasFocus());
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), "9600");
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QCOMPARE(d.Value(kSerial, kBaud), std::string("9600"));
    QVERIFY(list.Editor() == nullptr);
    QVERIFY(list.hasFocus());
  }

  void theCheckCellsToggleActionTicksTheRow() {
    ConfigViewDriver d;
    d.ShowGroup(kSystem);
    const int row = d.Row(kLogLevel);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&d.list());
    QVERIFY(list != nullptr && list->tableInterface() != nullptr);
    QAccessibleInterface* cell = list->tableInterface()->cellAt(row, 0);
    QVERIFY(cell != nullptr && cell->actionInterface() != nullptr);
    QVERIFY(cell->state().checkable);
    QVERIFY(cell->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));

    cell->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(d.RowChecked(row));
    QVERIFY(d.Selected(kSystem, kLogLevel));
    QVERIFY(cell->state().checked);
    cell->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(!d.RowChecked(row));
    QVERIFY(!d.Selected(kSystem, kLogLevel));

    // Other cells and rows without a box are not ticked that way; nothing is
    // ever selected.
    list->tableInterface()->cellAt(row, 1)->actionInterface()->doAction(
        QAccessibleActionInterface::toggleAction());
    QVERIFY(!d.RowChecked(row));
    const int read_only = d.Row(kSoftwareVersion);
    list->tableInterface()
        ->cellAt(read_only, 0)
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(!d.Selected(kSystem, kSoftwareVersion));
    QVERIFY(d.frame.messages.shown.empty());
    QCOMPARE(list->tableInterface()->selectedCellCount(), 0);
  }

  void tabFollowsTheProductionTestPagesLayout() {
    zt::prodtestgui::TestViewBench b(zt::prodtestgui::WithoutSim());
    QVERIFY(b.ok());
    const QStringList layout = {
        "semiFinishedRadio", "finishedRadio", "configureBox",        "importConfigButton", "configFileEdit",
        "runTestBox",        "keyStringEdit", "signalThresholdEdit", "continuousBox",      "waitTimeEdit",
        "verdictSoundBox",   "testInfoBox",   "startButton",         "stopButton",         "clearButton"};
    QCOMPARE(TabOrder(b.view(), layout), layout);
  }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
