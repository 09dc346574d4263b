// The upgrade page: its controls and their states, the file choice (also a
// cancelled one, with the real file dialog), the cancel button's flag and
// command state, and how the frame reaches it.
#include <QAction>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "support/config_test_frame.h"
#include "support/shell_harness.h"
#include "support/shell_modal.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/shell/view_factory.h"
#include "ui/update/view_update.h"

using namespace zt;
using namespace zt::literals;
using ui::CViewUpdate;
using ui::Qs;
using ui::test::ConfigTestFrame;

namespace {

std::unique_ptr<CViewUpdate> Page(ConfigTestFrame& frame) {
  std::unique_ptr<CViewUpdate> page(
      static_cast<CViewUpdate*>(ui::CreateView(ui::kViewUpdate, frame, nullptr)));
  page->InitialUpdate();
  page->show();
  (void)QTest::qWaitForWindowExposed(page.get());
  return page;
}

template <class W>
W* Child(const QWidget& page, const char* name) {
  return page.findChild<W*>(name);
}

}  // namespace

class ViewUpdateTest : public QObject {
  Q_OBJECT

 private slots:
  void theFactoryBuildsThePageWithItsControlsInTheirFirstStates() {
    ConfigTestFrame frame;
    auto page = Page(frame);
    QCOMPARE(page->ViewId(), 130);
    QCOMPARE(Child<QGroupBox>(*page, "upgradeBox")->title(), Qs("程序升级界面"_gbk));
    QStringList labels;
    for (const QLabel* l : page->findChildren<QLabel*>()) labels << l->text();
    QVERIFY(labels.contains(Qs("选择升级文件:"_gbk)));
    QVERIFY(labels.contains(Qs("升级进度:"_gbk)));

    auto* path = Child<QLineEdit>(*page, "upgradeFilePath");
    QVERIFY(path->isReadOnly());
    QVERIFY(path->text().isEmpty());
    QCOMPARE(Child<QPushButton>(*page, "browseButton")->text(), Qs("浏  览"_gbk));
    QVERIFY(Child<QPushButton>(*page, "browseButton")->isEnabled());
    QCOMPARE(Child<QProgressBar>(*page, "upgradeProgress")->value(), 0);
    QCOMPARE(Child<QPushButton>(*page, "startUpgradeButton")->text(), Qs("开始升级"_gbk));
    QVERIFY(Child<QPushButton>(*page, "startUpgradeButton")->isEnabled());
    QCOMPARE(Child<QPushButton>(*page, "cancelUpgradeButton")->text(), Qs("取消升级"_gbk));
    QVERIFY(!Child<QPushButton>(*page, "cancelUpgradeButton")->isEnabled());
  }

  void browsingShowsTheChosenPathAndACancelEmptiesIt() {
    ConfigTestFrame frame;
    auto page = Page(frame);
    QString answer = QStringLiteral("/tmp/firmware 3.2.bin");
    page->SetFileChooser([&answer] { return answer; });
    auto* path = Child<QLineEdit>(*page, "upgradeFilePath");
    QTest::mouseClick(Child<QPushButton>(*page, "browseButton"), Qt::LeftButton);
    QCOMPARE(path->text(), answer);
    QCOMPARE(page->ChosenPath(), answer);
    answer.clear();  // the dialog was cancelled
    QTest::mouseClick(Child<QPushButton>(*page, "browseButton"), Qt::LeftButton);
    QVERIFY(path->text().isEmpty());
    QVERIFY(page->ChosenPath().isEmpty());
    QVERIFY(!Child<QPushButton>(*page, "cancelUpgradeButton")->isEnabled());
  }

  void theRealFileDialogCancelledEmptiesThePath() {
    ConfigTestFrame frame;
    auto page = Page(frame);
    page->SetFileChooser([] { return QStringLiteral("/tmp/old.bin"); });
    page->Browse();
    page->SetFileChooser([&page] { return QFileDialog::getOpenFileName(page.get()); });
    shelltest::ModalResponder cancel([](QWidget* modal) {
      if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        dialog->reject();
      } else {
        modal->close();
      }
    });
    QTest::mouseClick(Child<QPushButton>(*page, "browseButton"), Qt::LeftButton);
    QVERIFY(cancel.seen().seen);
    QCOMPARE(cancel.seen().class_name, QStringLiteral("QFileDialog"));
    QVERIFY(Child<QLineEdit>(*page, "upgradeFilePath")->text().isEmpty());
  }

  void theStartButtonDoesNothingAndTheCancelButtonStaysDisabled() {
    ConfigTestFrame frame;
    frame.commands.Set(kCmdUnused4);
    auto page = Page(frame);
    auto* cancel = Child<QPushButton>(*page, "cancelUpgradeButton");
    QTest::mouseClick(Child<QPushButton>(*page, "startUpgradeButton"), Qt::LeftButton);
    QTest::mouseClick(cancel, Qt::LeftButton);  // disabled: no effect
    QVERIFY(!cancel->isEnabled());
    QVERIFY(!frame.flags.upgrade_cancel.load());
    QVERIFY(!frame.commands.IsEnabled(kCmdUnused4));
    QCOMPARE(Child<QProgressBar>(*page, "upgradeProgress")->value(), 0);
  }

  void theCancelCommandRaisesTheFlagAndClearsEntryFour() {
    ConfigTestFrame frame;
    frame.commands.Set(kCmdUnused4);
    auto page = Page(frame);
    page->CancelUpgrade();
    QVERIFY(frame.flags.upgrade_cancel.load());
    QVERIFY(frame.commands.IsEnabled(kCmdUnused4));
    QVERIFY(!Child<QPushButton>(*page, "cancelUpgradeButton")->isEnabled());
  }

  void theFrameOffersNoCommandButItsSwitchBuildsThePage() {
    shelltest::FrameHarness h;
    h.Show();
    for (const QAction* menu : h.frame().menuBar()->actions()) {
      for (const QAction* entry : menu->menu()->actions()) {
        QVERIFY2(!entry->text().contains(Qs("升级"_gbk)), qPrintable(entry->text()));
      }
    }
    QVERIFY(h.frame().SwitchView(ui::kViewUpdate));
    auto* page = qobject_cast<CViewUpdate*>(h.frame().CurrentPage());
    QVERIFY(page != nullptr);
    h.commands.Set(kCmdUnused4);
    page->CancelUpgrade();
    QVERIFY(h.commands.IsEnabled(kCmdUnused4));
    QVERIFY(h.flags.upgrade_cancel.load());
    // Leaving and coming back gives a fresh page without the chosen path.
    page->SetFileChooser([] { return QStringLiteral("/tmp/x.bin"); });
    page->Browse();
    QVERIFY(h.frame().SwitchView(ui::kViewUpdate));
    auto* fresh = qobject_cast<CViewUpdate*>(h.frame().CurrentPage());
    QVERIFY(fresh != nullptr && fresh != page);
    QVERIFY(fresh->ChosenPath().isEmpty());
  }
};

QTEST_MAIN(ViewUpdateTest)
#include "tst_view_update.moc"
