// The connection settings dialog: the port probe's names sorted as text, the
// baud list, the timeout check, the hidden six-byte password and the writes
// to section "SET".
#include <QCheckBox>
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
  std::unique_ptr<CConnectionDlg> Open(std::vector<std::string> names = {"COM2", "COM10", "COM1"}) {
    return OpenWith(Ports(names));
  }
  std::unique_ptr<CConnectionDlg> OpenWith(std::vector<PortInfo> ports) {
    return std::make_unique<CConnectionDlg>(settings, flags, messages, nullptr, [ports] { return ports; });
  }
  static std::vector<PortInfo> Ports(const std::vector<std::string>& names) {
    std::vector<PortInfo> ports;
    for (const std::string& name : names) {
      PortInfo port;
      port.name = name;
      ports.push_back(port);
    }
    return ports;
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

  void aBaudNotListedSelectsNothing() {
    DialogFixture f;
    f.settings.Update([](ToolSettings& s) { s.baud = 12345; });
    auto dialog = f.Open();
    QCOMPARE(Child<QComboBox>(dialog.get(), "baud_list")->currentIndex(), -1);
    dialog->accept();
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(f.settings.Get().baud, 0u);
  }

  void thePortInForceIsListedAndKeptWhenTheProbeMissesIt() {
    for (const char* in_force : {"COM9", "/dev/serial/by-id/usb-ZR_DTU_0001-if00"}) {
      DialogFixture f;
      f.settings.Update([&](ToolSettings& s) { s.port_name = in_force; });
      auto dialog = f.Open();
      auto* ports = Child<QComboBox>(dialog.get(), "port_list");
      QCOMPARE(ports->count(), 4);
      QCOMPARE(ports->currentText(), QString::fromLatin1(in_force));
      dialog->accept();
      QCOMPARE(f.settings.Get().port_name, std::string(in_force));
    }
  }

  void eachPortShowsItsDescriptionAndStoresItsStableName() {
    DialogFixture f;
    PortInfo usb;
    usb.kernel_name = "ttyUSB0";
    usb.device = "/dev/ttyUSB0";
    usb.stable_name = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    usb.name = usb.stable_name;
    usb.vendor_id = "0403";
    usb.product_id = "6001";
    usb.serial = "A50285BI";
    usb.product = "FT232R USB UART";
    PortInfo uart;
    uart.kernel_name = "ttyS0";
    uart.name = "COM1";
    auto dialog = f.OpenWith({usb, uart});
    auto* ports = Child<QComboBox>(dialog.get(), "port_list");
    QCOMPARE(Items(ports).mid(0, 2),
             (QStringList{QString::fromUtf8("COM1 \xE2\x80\x94 ttyS0"),
                          QString::fromUtf8("ttyUSB0 \xE2\x80\x94 FT232R USB UART (0403:6001, A50285BI)")}));
    ports->setCurrentIndex(1);
    dialog->accept();
    QCOMPARE(f.settings.Get().port_name, usb.stable_name);
  }

  void aTypedPortIsStoredAsTypedAndAnEmptiedFieldKeepsThePort() {
    for (const auto& [typed, stored] : {std::pair<const char*, const char*>{"rfc2217://127.0.0.1:4001 ",
                                                                             "rfc2217://127.0.0.1:4001"},
                                         {"", "COM2"}}) {
      DialogFixture f;
      auto dialog = f.Open();
      Child<QComboBox>(dialog.get(), "port_list")->setEditText(QString::fromLatin1(typed));
      dialog->accept();
      QCOMPARE(f.settings.Get().port_name, std::string(stored));
    }
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
    QVERIFY(!Child<QCheckBox>(dialog.get(), "auto_reconnect")->isChecked());
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

  void anUntouchedPasswordFieldKeepsTheStoredPassword() {
    DialogFixture f;
    auto dialog = f.Open();
    dialog->accept();
    QCOMPARE(f.settings.Get().password, std::string("pilot"));
    QVERIFY(test::ReadFileBytes(f.dir.File("tool_set.ini")).find("LOGIN_PWD=\xF0\xE9\xEC\xEF\xF4\r\n") !=
            std::string::npos);
  }

  void aPasswordTypedAndClearedIsStoredEmpty() {
    DialogFixture f;
    auto dialog = f.Open();
    auto* password = Child<QLineEdit>(dialog.get(), "password_edit");
    password->setFocus();
    QTest::keyClicks(password, QStringLiteral("ab"));
    QTest::keyClick(password, Qt::Key_Backspace);
    QTest::keyClick(password, Qt::Key_Backspace);
    dialog->accept();
    QCOMPARE(f.settings.Get().password, std::string());
  }

  void autoReconnectIsStoredWhenItChanges() {
    DialogFixture f;
    auto dialog = f.Open();
    Child<QCheckBox>(dialog.get(), "auto_reconnect")->setChecked(true);
    dialog->accept();
    QVERIFY(f.settings.Get().auto_reconnect);
    QVERIFY(test::ReadFileBytes(f.dir.File("tool_set.ini")).ends_with("AUTO_RECONNECT=1\r\n"));
    ToolSettingsStore reread;
    ResetToolSettings(reread, f.dir.File("tool_set.ini"));
    ReadToolSettings(reread);
    QVERIFY(reread.Get().auto_reconnect);
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
    h.frame().SetPortLister([] { return DialogFixture::Ports({"COM3", "COM4"}); });
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
