// The editable parameter list of the configuration view, on the shipped
// later-generation catalogue: rows and check boxes, the in-place editors and
// the refusals of edited values.
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <QTreeWidget>

#include "support/config_view_driver.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/config/custom_param_dlg.h"
#include "ui/config/list_editors.h"

using namespace zt::literals;
using zt::ui::Qs;
using zt::ui::test::ConfigViewDriver;

namespace {

// Shipped catalogue, later generation: group slots and parameter slots.
constexpr int kSystem = 1;       // 系统参数
constexpr int kSoftwareVersion = 0;  // read-only
constexpr int kCfgPassword = 5;  // 配置密码, password
constexpr int kLogLevel = 7;     // 日志级别, INT1 0~5
constexpr int kSerial = 2;       // 串口参数
constexpr int kBaud = 0;         // 波特率, list with free text and a range
constexpr int kDataBits = 1;     // 数据位, fixed list 7,8
constexpr int kParity = 2;       // 校验位, fixed list 无校验,奇校验,偶校验
constexpr int kNetwork = 3;      // 网络参数
constexpr int kRunning = 4;      // 运行参数
constexpr int kChannelMode = 6;  // OPPRM, the group's last parameter
constexpr int kRegistration = 6;  // 注册包参数
constexpr int kRegLength = 2;    // 注册包长度, the pair's length member (1~64)
constexpr int kRegData = 3;      // 注册包内容, HEXSTR
constexpr int kTiming = 9;       // 定时参数
constexpr int kTimeZone = 4;     // 时区, INT1 list with free text, no range

QString CellUtf8(std::string_view gbk) { return Qs(gbk); }

}  // namespace

class ConfigListTest : public QObject {
  Q_OBJECT

 private slots:
  void theChannelModeParameterHasNoRow();
  void readOnlyRowsCarryNoCheckBoxAndOpenNothing();
  void clickingTheCheckBoxSelectsTheParameter();
  void anUntickedRowOpensNoEditor();
  void tickingOnePairMemberTicksTheOther();
  void aMissingPartnerIsShownAndTheProgramGoesOn();
  void theHeaderTogglesEveryRowWithABox();
  void passwordsShowOneStarPerByte();
  void theEditBoxStoresAnAcceptedValue();
  void aRefusedValueShowsTheMessageAndKeepsTheOldValue();
  void escapeStillCommitsTheText();
  void theEditBoxKeepsDeleteAndCtrlKeysFromTheWindowsShortcuts();
  void theFixedDropDownStoresTheChosenOption();
  void aFixedDropDownWithoutSelectionStoresNothing();
  void theEditableDropDownCommitsOnTheNextClickInTheList();
  void theEditableDropDownCommitsOnATreeClick();
  void anUnchangedEditableDropDownCommitsNothing();
  void theCustomDialogStoresBothMembers();
  void theCustomDialogRefusesAMismatchAndStaysOpen();
  void redrawTouchesOnlyTheValueColumn();
  void theScrollPositionSurvivesARefill();
};

void ConfigListTest::theChannelModeParameterHasNoRow() {
  ConfigViewDriver d;
  d.ShowGroup(kRunning);
  QCOMPARE(d.list().rowCount(), 6);
  QCOMPARE(d.Row(kChannelMode), -1);
  QCOMPARE(d.list().SlotOfRow(5), 5);
  QCOMPARE(d.list().CurrentGroup(), kRunning);
  QCOMPARE(d.frame.catalogue.Read([](const zt::CParamCatalogue& c) { return c.current_group; }),
           kRunning);
}

void ConfigListTest::readOnlyRowsCarryNoCheckBoxAndOpenNothing() {
  ConfigViewDriver d;
  d.ShowGroup(kSystem);
  QVERIFY(!d.RowCheckable(d.Row(kSoftwareVersion)));
  QVERIFY(d.RowCheckable(d.Row(kLogLevel)));
  d.frame.catalogue.Write([](zt::CParamCatalogue& c) { c.SetAllSelected(true); });
  d.ClickCell(d.Row(kSoftwareVersion), 1);
  QVERIFY(d.list().Editor() == nullptr);
  QVERIFY(!d.Selected(kSystem, kSoftwareVersion));
}

void ConfigListTest::clickingTheCheckBoxSelectsTheParameter() {
  ConfigViewDriver d;
  d.ShowGroup(kSystem);
  const int row = d.Row(kLogLevel);
  const QRect cell = d.list().visualRect(d.list().model()->index(row, 0));
  // The box sits at the left of the name cell.
  const QPoint box(cell.left() + 10, cell.center().y());
  QTest::mouseClick(d.list().viewport(), Qt::LeftButton, {}, box);
  QVERIFY(d.RowChecked(row));
  QVERIFY(d.Selected(kSystem, kLogLevel));
  QTest::mouseClick(d.list().viewport(), Qt::LeftButton, {}, box);
  QVERIFY(!d.Selected(kSystem, kLogLevel));
}

void ConfigListTest::anUntickedRowOpensNoEditor() {
  ConfigViewDriver d;
  d.ShowGroup(kSystem);
  const int row = d.Row(kLogLevel);
  d.ClickCell(row, 1);
  QVERIFY(d.list().Editor() == nullptr);
  d.SetRowChecked(row, true);
  d.ClickCell(row, 2);  // the tip column opens nothing either
  QVERIFY(d.list().Editor() == nullptr);
  d.ClickCell(row, 1);
  QVERIFY(qobject_cast<zt::ui::CListEditBox*>(d.list().Editor()) != nullptr);
}

void ConfigListTest::tickingOnePairMemberTicksTheOther() {
  ConfigViewDriver d;
  d.ShowGroup(kRegistration);
  d.SetRowChecked(d.Row(kRegData), true);
  QVERIFY(d.RowChecked(d.Row(kRegLength)));
  QVERIFY(d.Selected(kRegistration, kRegLength));
  d.SetRowChecked(d.Row(kRegLength), false);
  QVERIFY(!d.RowChecked(d.Row(kRegData)));
  QVERIFY(!d.Selected(kRegistration, kRegData));
  QVERIFY(d.frame.messages.shown.empty());
}

void ConfigListTest::aMissingPartnerIsShownAndTheProgramGoesOn() {
  ConfigViewDriver d;
  d.ShowGroup(kRegistration);
  // Break the pair: the value member's partner code names nothing.
  d.frame.catalogue.Write(
      [](zt::CParamCatalogue& c) { c.Param(kRegistration, kRegData)->relation_code = 0x7777; });
  d.SetRowChecked(d.Row(kRegData), true);
  QCOMPARE(d.frame.messages.shown.size(), size_t{1});
  QCOMPARE(d.frame.messages.shown[0].text, std::string("relation code  error"));
  QCOMPARE(d.frame.messages.shown[0].caption, std::string("[注册包参数, 注册包内容]"_gbk));
  QVERIFY(d.Selected(kRegistration, kRegData));
  QVERIFY(!d.RowChecked(d.Row(kRegLength)));
}

void ConfigListTest::theHeaderTogglesEveryRowWithABox() {
  ConfigViewDriver d;
  d.ShowGroup(kSystem);
  d.SetRowChecked(d.Row(kLogLevel), true);
  QHeaderView* header = d.list().horizontalHeader();
  const QPoint name_header(header->sectionViewportPosition(0) + 20, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, name_header);
  for (int row = 0; row < d.list().rowCount(); ++row) {
    QCOMPARE(d.RowChecked(row), d.RowCheckable(row));
    QCOMPARE(d.Selected(kSystem, d.list().SlotOfRow(row)), d.RowCheckable(row));
  }
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, name_header);
  for (int row = 0; row < d.list().rowCount(); ++row) QVERIFY(!d.RowChecked(row));
  QVERIFY(d.frame.messages.shown.empty());
  QVERIFY(!d.view->SelectAllState());
}

void ConfigListTest::passwordsShowOneStarPerByte() {
  ConfigViewDriver d;
  d.SetValue(kSystem, kCfgPassword, "zr3100");
  d.ShowGroup(kSystem);
  const int row = d.Row(kCfgPassword);
  QCOMPARE(d.Cell(row, 1), QString("******"));
  d.SetRowChecked(row, true);
  d.ClickCell(row, 1);
  auto* box = qobject_cast<QLineEdit*>(d.list().Editor());
  QVERIFY(box != nullptr);
  QCOMPARE(box->echoMode(), QLineEdit::Password);
  QCOMPARE(box->text(), QString("zr3100"));
}

void ConfigListTest::theEditBoxStoresAnAcceptedValue() {
  ConfigViewDriver d;
  const int row = d.OpenEditor(kSystem, kLogLevel, "2");
  auto* box = qobject_cast<QLineEdit*>(d.list().Editor());
  QVERIFY(box != nullptr);
  QCOMPARE(box->text(), QString("2"));
  QVERIFY(box->hasFocus());
  QTest::keyClicks(box, "4");  // replaces the selected text
  QTest::keyClick(box, Qt::Key_Return);
  QCOMPARE(d.Value(kSystem, kLogLevel), std::string("4"));
  QCOMPARE(d.Cell(row, 1), QString("4"));
  QVERIFY(d.list().Editor() == nullptr);
  QVERIFY(d.frame.messages.shown.empty());
}

void ConfigListTest::aRefusedValueShowsTheMessageAndKeepsTheOldValue() {
  ConfigViewDriver d;
  const int row = d.OpenEditor(kSystem, kLogLevel, "2");
  auto* box = qobject_cast<QLineEdit*>(d.list().Editor());
  QVERIFY(box != nullptr);
  QTest::keyClicks(box, "9");
  QTest::keyClick(box, Qt::Key_Return);
  QCOMPARE(d.frame.messages.shown.size(), size_t{1});
  QCOMPARE(d.frame.messages.shown[0].text, std::string("日志级别参数配置不正确"_gbk));
  QCOMPARE(d.frame.messages.shown[0].caption, std::string("提示"_gbk));
  QVERIFY(d.frame.messages.shown[0].icon == zt::MessageIcon::kError);
  QCOMPARE(d.Value(kSystem, kLogLevel), std::string("2"));
  QCOMPARE(d.Cell(row, 1), QString("2"));
}

void ConfigListTest::escapeStillCommitsTheText() {
  ConfigViewDriver d;
  const int row = d.OpenEditor(kSystem, kLogLevel, "2");
  auto* box = qobject_cast<QLineEdit*>(d.list().Editor());
  QVERIFY(box != nullptr);
  QTest::keyClicks(box, "5");
  QTest::keyClick(box, Qt::Key_Escape);
  QCOMPARE(d.Value(kSystem, kLogLevel), std::string("5"));
  QCOMPARE(d.Cell(row, 1), QString("5"));
  QVERIFY(d.list().hasFocus());
}

void ConfigListTest::theEditBoxKeepsDeleteAndCtrlKeysFromTheWindowsShortcuts() {
  ConfigViewDriver d;
  int fired = 0;
  for (const QKeySequence& keys : {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::CTRL | Qt::Key_A)}) {
    auto* shortcut = new QShortcut(keys, d.view.get());
    QObject::connect(shortcut, &QShortcut::activated, [&fired] { ++fired; });
  }
  d.OpenEditor(kSystem, kLogLevel, "2");
  auto* box = qobject_cast<QLineEdit*>(d.list().Editor());
  QVERIFY(box != nullptr);
  QTest::keyClick(box, Qt::Key_End);
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);  // select all, in the box
  QTest::keyClick(box, Qt::Key_Delete);
  QCOMPARE(box->text(), QString());
  QCOMPARE(fired, 0);
}

void ConfigListTest::theFixedDropDownStoresTheChosenOption() {
  ConfigViewDriver d;
  const int row = d.OpenEditor(kSerial, kDataBits, "7");
  auto* combo = qobject_cast<QComboBox*>(d.list().Editor());
  QVERIFY(combo != nullptr);
  QVERIFY(!combo->isEditable());
  QCOMPARE(combo->count(), 2);
  QCOMPARE(combo->currentIndex(), 0);
  QVERIFY(combo->hasFocus());
  QTest::keyClick(combo, Qt::Key_Down);
  QCOMPARE(d.Value(kSerial, kDataBits), std::string("8"));
  QCOMPARE(d.Cell(row, 1), QString("8"));
  QVERIFY(d.list().Editor() == nullptr);
}

void ConfigListTest::aFixedDropDownWithoutSelectionStoresNothing() {
  ConfigViewDriver d;
  d.OpenEditor(kSerial, kParity, "0");  // a wire value, as a query leaves it
  auto* combo = qobject_cast<QComboBox*>(d.list().Editor());
  QVERIFY(combo != nullptr);
  QCOMPARE(combo->currentIndex(), -1);
  d.view->Tree()->setFocus();  // the drop-down loses the focus
  QVERIFY(d.list().Editor() == nullptr);
  QCOMPARE(d.Value(kSerial, kParity), std::string("0"));
}

void ConfigListTest::theEditableDropDownCommitsOnTheNextClickInTheList() {
  ConfigViewDriver d;
  const int row = d.OpenEditor(kTiming, kTimeZone, "8");
  auto* combo = qobject_cast<QComboBox*>(d.list().Editor());
  QVERIFY(combo != nullptr);
  QVERIFY(combo->isEditable());
  QCOMPARE(combo->currentText(), QString("8"));
  combo->setEditText("7");
  d.view->Tree()->setFocus();  // a focus change alone commits nothing
  QVERIFY(d.list().Editor() == combo);
  QCOMPARE(d.Value(kTiming, kTimeZone), std::string("8"));
  d.ClickCell(d.Row(0), 2);
  QCOMPARE(d.Value(kTiming, kTimeZone), std::string("7"));
  QVERIFY(d.list().Editor() == nullptr);
  QCOMPARE(d.Cell(row, 1), QString("7"));
}

void ConfigListTest::theEditableDropDownCommitsOnATreeClick() {
  ConfigViewDriver d;
  d.OpenEditor(kSerial, kBaud, "9600");
  auto* combo = qobject_cast<QComboBox*>(d.list().Editor());
  QVERIFY(combo != nullptr);
  QCOMPARE(combo->currentIndex(), 3);
  combo->setEditText("115200");
  QTreeWidget* tree = d.view->Tree();
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                    tree->visualItemRect(tree->topLevelItem(1)).center());
  QCOMPARE(d.Value(kSerial, kBaud), std::string("115200"));
  QCOMPARE(d.list().CurrentGroup(), kSystem);
}

void ConfigListTest::anUnchangedEditableDropDownCommitsNothing() {
  ConfigViewDriver d;
  d.OpenEditor(kSerial, kBaud, "1");  // refused if it were examined again
  QVERIFY(d.list().HasCustomListEditor());
  QSignalSpy commits(&d.list(), &zt::ui::CParamListCtrl::EditCommitted);
  d.ClickCell(d.Row(kDataBits), 2);
  QVERIFY(!d.list().HasCustomListEditor());
  QCOMPARE(commits.count(), 0);
  QVERIFY(d.frame.messages.shown.empty());
  QCOMPARE(d.Value(kSerial, kBaud), std::string("1"));
}

namespace {

using DialogFiller = std::function<void(zt::ui::CCustomParamDlg&)>;

void PollForCustomDialog(const DialogFiller& fill) {
  auto* dialog = qobject_cast<zt::ui::CCustomParamDlg*>(QApplication::activeModalWidget());
  if (dialog == nullptr) {
    QTimer::singleShot(10, [fill] { PollForCustomDialog(fill); });
    return;
  }
  fill(*dialog);
}

// Runs `fill` on the custom-pair dialog once it is up.
void WhenCustomDialogOpens(const DialogFiller& fill) {
  QTimer::singleShot(0, [fill] { PollForCustomDialog(fill); });
}

}  // namespace

void ConfigListTest::theCustomDialogStoresBothMembers() {
  ConfigViewDriver d;
  d.SetValue(kRegistration, kRegLength, "4");
  d.SetValue(kRegistration, kRegData, "5A520001");
  d.ShowGroup(kRegistration);
  const int row = d.Row(kRegData);
  d.SetRowChecked(row, true);
  bool seen = false;
  WhenCustomDialogOpens([&](zt::ui::CCustomParamDlg& dialog) {
    seen = true;
    QCOMPARE(dialog.windowTitle(), Qs("自定义参数设置"_gbk));
    QCOMPARE(dialog.LengthField()->value(), 4);
    QCOMPARE(dialog.ValueField()->text(), QString("5A520001"));
    QVERIFY(dialog.HexBox()->isChecked());
    dialog.LengthField()->setValue(2);
    dialog.ValueField()->setText("AB CD");
    dialog.accept();
  });
  d.ClickCell(row, 1);
  QTRY_VERIFY(seen);
  QTRY_COMPARE(d.Value(kRegistration, kRegData), std::string("ABCD"));
  QCOMPARE(d.Value(kRegistration, kRegLength), std::string("2"));
  QCOMPARE(d.Cell(d.Row(kRegLength), 1), QString("2"));
  QCOMPARE(d.Cell(row, 1), QString("ABCD"));
  QVERIFY(d.frame.messages.shown.empty());
}

void ConfigListTest::theCustomDialogRefusesAMismatchAndStaysOpen() {
  ConfigViewDriver d;
  d.SetValue(kRegistration, kRegLength, "4");
  d.SetValue(kRegistration, kRegData, "5A520001");
  d.ShowGroup(kRegistration);
  const int row = d.Row(kRegLength);
  d.SetRowChecked(row, true);
  bool stayed_open = false;
  WhenCustomDialogOpens([&](zt::ui::CCustomParamDlg& dialog) {
    dialog.LengthField()->setValue(3);
    dialog.accept();
    stayed_open = dialog.isVisible() && dialog.focusWidget() == dialog.LengthField();
    dialog.reject();
  });
  d.ClickCell(row, 1);
  QTRY_VERIFY(stayed_open);
  QCOMPARE(d.frame.messages.shown.size(), size_t{1});
  QCOMPARE(d.frame.messages.shown[0].text, std::string("注册包长度和内容不一致"_gbk));
  QCOMPARE(d.frame.messages.shown[0].caption, std::string("提示"_gbk));
  QCOMPARE(d.Value(kRegistration, kRegLength), std::string("4"));
}

void ConfigListTest::redrawTouchesOnlyTheValueColumn() {
  ConfigViewDriver d;
  d.ShowGroup(kSystem);
  const int row = d.Row(kLogLevel);
  d.SetRowChecked(row, true);
  d.frame.catalogue.Write([](zt::CParamCatalogue& c) {
    c.Param(kSystem, kLogLevel)->value = "3";
    c.Param(kSystem, kLogLevel)->name = "renamed";
    c.Param(kSystem, kLogLevel)->selected = false;
    c.Param(kSystem, kCfgPassword)->value = "abc";
  });
  d.view->OnQueryDone();
  QCOMPARE(d.Cell(row, 1), QString("3"));
  QCOMPARE(d.Cell(row, 0), CellUtf8("日志级别"_gbk));
  QVERIFY(d.RowChecked(row));
  QCOMPARE(d.Cell(d.Row(kCfgPassword), 1), QString("***"));
}

void ConfigListTest::theScrollPositionSurvivesARefill() {
  ConfigViewDriver d;
  d.view->resize(920, 260);
  QTest::qWait(20);
  d.ShowGroup(kSystem);
  QScrollBar* bar = d.list().verticalScrollBar();
  QVERIFY(bar->maximum() > 0);
  bar->setValue(2);
  d.ShowGroup(kNetwork);
  d.ShowGroup(kSystem);
  QCOMPARE(bar->value(), 2);
}

QTEST_MAIN(ConfigListTest)
#include "tst_config_list.moc"
