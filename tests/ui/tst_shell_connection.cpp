// The connection settings dialog: the port probe's names sorted as text, the
// baud list, the timeout check, the hidden six-byte password and the writes
// to section "SET".
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "common/message_box.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "support/shell_harness.h"
#include "support/shell_modal.h"
#include "support/shell_recording_page.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/shell/connection_dlg.h"

using namespace zt;
using namespace zt::literals;
using ui::CConnectionDlg;
using ui::Qs;

namespace {

class RecordingMessages final : public IMessageBox {
 public:
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon) override {
    texts.emplace_back(text);
    captions.emplace_back(caption);
  }
  std::vector<std::string> texts;
  std::vector<std::string> captions;
};

struct DialogFixture {
  DialogFixture() {
    ResetToolSettings(settings, dir.File("tool_set.ini"));
    settings.Update([](ToolSettings& s) {
      s.port_name = "COM2";
      s.baud = 9600;
      s.connect_timeout = 15;
      s.password = "pilot";
    });
  }
  std::unique_ptr<CConnectionDlg> Open(std::vector<std::string> ports = {"COM2", "COM10", "COM1"}) {
    return std::make_unique<CConnectionDlg>(settings, flags, messages, nullptr, [ports] { return ports; });
  }
  test::TempDir dir;
  ToolSettingsStore settings;
  ProcessFlags flags;
  RecordingMessages messages;
};

template <typename T>
T* Child(QWidget* dialog, const char* name) {
  return dialog->findChild<T*>(QString::fromLatin1(name));
}

QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

}  // namespace

class TestShellConnection : public QObject {
  Q_OBJECT

 private slots:
  void timeoutMustBeAWholeNumberFrom5To1000() {
    QCOMPARE(ui::ParseConnectTimeout("4"), std::optional<unsigned>());
    QCOMPARE(ui::ParseConnectTimeout("5"), std::optional<unsigned>(5));
    QCOMPARE(ui::ParseConnectTimeout("1000"), std::optional<unsigned>(1000));
    QCOMPARE(ui::ParseConnectTimeout("1001"), std::optional<unsigned>());
    QCOMPARE(ui::ParseConnectTimeout(" 15 "), std::optional<unsigned>(15));
    QCOMPARE(ui::ParseConnectTimeout("15s"), std::optional<unsigned>());
    QCOMPARE(ui::ParseConnectTimeout("-5"), std::optional<unsigned>());
    QCOMPARE(ui::ParseConnectTimeout(""), std::optional<unsigned>());
    QCOMPARE(ui::ParseConnectTimeout("99999999999"), std::optional<unsigned>());
  }

  void openingShowsTheSettingsButNeverThePassword() {
    DialogFixture f;
    auto dialog = f.Open();
    QCOMPARE(dialog->windowTitle(), Qs("连接设置"_gbk));
    auto* ports = Child<QComboBox>(dialog.get(), "port_list");
    QCOMPARE(Items(ports), (QStringList{"COM1", "COM10", "COM2"}));  // sorted as text
    QCOMPARE(ports->currentText(), QStringLiteral("COM2"));
    auto* bauds = Child<QComboBox>(dialog.get(), "baud_list");
    QCOMPARE(Items(bauds), (QStringList{"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                                        "38400", "57600", "115200", "128000", "256000"}));
    QCOMPARE(bauds->currentText(), QStringLiteral("9600"));
    QCOMPARE(Child<QLineEdit>(dialog.get(), "timeout_edit")->text(), QStringLiteral("15"));
    auto* password = Child<QLineEdit>(dialog.get(), "password_edit");
    QCOMPARE(password->text(), QString());
    QCOMPARE(password->echoMode(), QLineEdit::Password);
  }

  void aPortOrBaudNotListedSelectsNothing() {
    DialogFixture f;
    f.settings.Update([](ToolSettings& s) {
      s.port_name = "COM9";
      s.baud = 12345;
    });
    auto dialog = f.Open();
    QCOMPARE(Child<QComboBox>(dialog.get(), "port_list")->currentIndex(), -1);
    QCOMPARE(Child<QComboBox>(dialog.get(), "baud_list")->currentIndex(), -1);
    dialog->accept();
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(f.settings.Get().baud, 0u);
    QCOMPARE(f.settings.Get().port_name, std::string());
  }

  void passwordFieldTakesAtMostSixGbkBytes() {
    DialogFixture f;
    auto dialog = f.Open();
    auto* password = Child<QLineEdit>(dialog.get(), "password_edit");
    password->setFocus();
    QTest::keyClicks(password, QStringLiteral("1234567"));
    QCOMPARE(password->text(), QStringLiteral("123456"));
    password->setText(Qs("密码"_gbk));  // four bytes; two more fit
    password->end(false);
    QTest::keyClicks(password, QStringLiteral("abc"));
    QCOMPARE(password->text(), Qs("密码"_gbk) + QStringLiteral("ab"));
  }

  void okWritesTheFourKeysInOrderAndClearsThePortOpenFlag() {
    DialogFixture f;
    f.flags.port_open.store(true);
    auto dialog = f.Open();
    Child<QComboBox>(dialog.get(), "port_list")->setCurrentIndex(1);  // COM10
    Child<QComboBox>(dialog.get(), "baud_list")->setCurrentText(QStringLiteral("115200"));
    Child<QLineEdit>(dialog.get(), "timeout_edit")->setText(QStringLiteral("30"));
    Child<QLineEdit>(dialog.get(), "password_edit")->setText(QStringLiteral("abc"));
    Child<QPushButton>(dialog.get(), "ok_button")->click();
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    const ToolSettings s = f.settings.Get();
    QCOMPARE(s.port_name, std::string("COM10"));
    QCOMPARE(s.baud, 115200u);
    QCOMPARE(s.connect_timeout, std::uint16_t{30});
    QCOMPARE(s.password, std::string("abc"));
    QVERIFY(!f.flags.port_open.load());
    QCOMPARE(
        test::ReadFileBytes(f.dir.File("tool_set.ini")),
        std::string("[SET]\r\nCOM=COM10\r\nCONN_TIMEVAL=30\r\nLOGIN_PWD=\xE1\xE2\xE3\r\nBAUD=115200\r\n"));
    QVERIFY(f.messages.texts.empty());
  }

  void anEmptyPasswordIsStoredEmpty() {
    DialogFixture f;
    auto dialog = f.Open();
    dialog->accept();
    QCOMPARE(f.settings.Get().password, std::string());
    QVERIFY(test::ReadFileBytes(f.dir.File("tool_set.ini")).find("LOGIN_PWD=\r\n") != std::string::npos);
  }

  void aTimeoutOutOfRangeIsRefusedAndNothingIsStored() {
    for (const char* refused : {"4", "1001", "abc"}) {
      DialogFixture f;
      auto dialog = f.Open();
      auto* timeout = Child<QLineEdit>(dialog.get(), "timeout_edit");
      timeout->setText(QString::fromLatin1(refused));
      dialog->accept();
      QCOMPARE(dialog->result(), int(QDialog::Rejected));  // still open, never accepted
      QCOMPARE(f.messages.texts.size(), std::size_t{1});
      QVERIFY(ui::Qs(f.messages.texts[0]).contains(QStringLiteral("5")));
      QVERIFY(ui::Qs(f.messages.texts[0]).contains(QStringLiteral("1000")));
      QCOMPARE(f.messages.captions[0], std::string("VarnTool"));
      QCOMPARE(f.settings.Get().connect_timeout, std::uint16_t{15});
      QCOMPARE(test::ReadFileBytes(f.dir.File("tool_set.ini")), std::string());
    }
  }

  void theLimitsThemselvesAreAccepted() {
    for (const char* accepted : {"5", "1000"}) {
      DialogFixture f;
      auto dialog = f.Open();
      Child<QLineEdit>(dialog.get(), "timeout_edit")->setText(QString::fromLatin1(accepted));
      dialog->accept();
      QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }
  }

  void cancelChangesNothing() {
    DialogFixture f;
    auto dialog = f.Open();
    Child<QLineEdit>(dialog.get(), "timeout_edit")->setText(QStringLiteral("99"));
    dialog->reject();
    QCOMPARE(f.settings.Get().connect_timeout, std::uint16_t{15});
    QCOMPARE(test::ReadFileBytes(f.dir.File("tool_set.ini")), std::string());
  }

  void theFrameCommandRunsTheDialogModally() {
    shelltest::HarnessOptions options;
    options.view_factory = shelltest::RecordingPageFactory();
    shelltest::FrameHarness h(std::move(options));
    h.frame().SetPortLister([] { return std::vector<std::string>{"COM3", "COM4"}; });
    h.Show();
    shelltest::ModalResponder fill([](QWidget* modal) {
      Child<QComboBox>(modal, "port_list")->setCurrentIndex(1);
      Child<QPushButton>(modal, "ok_button")->click();
    });
    h.frame().CommandAction(ui::kIdConnectionSettings)->trigger();
    QVERIFY(fill.seen().seen);
    QCOMPARE(fill.seen().class_name, QStringLiteral("zt::ui::CConnectionDlg"));
    QCOMPARE(h.settings.Get().port_name, std::string("COM4"));
    QVERIFY(test::ReadFileBytes(h.SettingsPath()).find("COM=COM4\r\n") != std::string::npos);
  }
};

QTEST_MAIN(TestShellConnection)
#include "tst_shell_connection.moc"
