// The AT terminal page in the real window, against a scripted peer on a
// pseudo-terminal: its controls, what it sends, what it shows and saves.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "support/shell_modal.h"
#include "support/temp_dir.h"
#include "support/terminal_harness.h"
#include "text/gbk_literal.h"
#include "ui/bars/log_list_box.h"
#include "ui/common/qt_text.h"
#include "ui/terminal/quick_send_panel.h"

using namespace zt;
using namespace zt::literals;
using namespace zt::shelltest;
using namespace std::string_literals;
using ui::Qs;

namespace {

QStringList Items(QComboBox* box) {
  QStringList out;
  for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
  return out;
}

QStringList Latin(std::initializer_list<const char*> texts) {
  QStringList out;
  for (const char* t : texts) out << QString::fromLatin1(t);
  return out;
}

QStringList LabelTexts(QWidget* page) {
  QStringList out;
  for (QLabel* label : page->findChildren<QLabel*>()) out << label->text();
  return out;
}

}  // namespace

class TestTerminalView : public QObject {
  Q_OBJECT

 private slots:
  void controlsCarryTheirTextsAndInitialChoices() {
    TerminalHarness t;
    ui::CViewSerial* view = t.view();
    QVERIFY(view != nullptr);
    QCOMPARE(view->windowTitle(), Qs("串口交互"_gbk));
    const QStringList labels = LabelTexts(view);
    for (const std::string_view text : {"字符串接收框:"_gbk, "字符串输入:"_gbk, "(ms/次)"_gbk, "波特率"_gbk,
                                        "数据位"_gbk, "停止位"_gbk, "校验位"_gbk, "流控制"_gbk}) {
      QVERIFY2(labels.contains(Qs(text)), qPrintable(Qs(text)));
    }
    QCOMPARE(t.Box("new_line_box")->text(), Qs("发送新行"_gbk));
    QCOMPARE(t.Box("hex_box")->text(), Qs("HEX发送"_gbk));
    QCOMPARE(t.Box("timed_box")->text(), Qs("定时发送"_gbk));
    QCOMPARE(t.Button("send_button")->text(), Qs("发送"_gbk));
    QCOMPARE(t.Button("clear_button")->text(), Qs("清空窗口"_gbk));
    QCOMPARE(t.Button("save_button")->text(), Qs("保存信息"_gbk));
    QCOMPARE(t.Button("expand_button")->text(), Qs("扩展"_gbk));
    QCOMPARE(t.Find<QLineEdit>("send_period")->text(), QStringLiteral("1000"));
    QVERIFY(t.Input()->text().isEmpty());
    QVERIFY(view->ReceiveBox()->isReadOnly());
    QVERIFY(view->Panel()->isHidden());

    QCOMPARE(Items(t.List("baud_list")), Latin({"110", "300", "600", "1200", "2400", "4800", "9600", "14400",
                                                "19200", "38400", "57600", "115200", "128000", "256000"}));
    QCOMPARE(t.List("baud_list")->currentText(), QStringLiteral("115200"));
    QCOMPARE(Items(t.List("data_bits_list")), Latin({"8", "7", "6", "5"}));
    QCOMPARE(t.List("data_bits_list")->currentText(), QStringLiteral("8"));
    QCOMPARE(Items(t.List("stop_bits_list")), Latin({"1", "1.5", "2"}));
    QCOMPARE(t.List("stop_bits_list")->currentText(), QStringLiteral("1"));
    QCOMPARE(Items(t.List("parity_list")), Latin({"EVEN", "MARK", "NONE", "ODD", "SPACE"}));
    QCOMPARE(t.List("parity_list")->currentText(), QStringLiteral("NONE"));
    QCOMPARE(Items(t.List("flow_control_list")), Latin({"NONE"}));
    // Choosing nothing has changed nothing on the port.
    QCOMPARE(t.h().settings.Get().baud, 57600u);
  }

  void typedTextIsSentAsTypedAndWithCrLfWhenNewLineIsTicked() {
    TerminalHarness t;
    QTest::keyClicks(t.Input(), QStringLiteral("AT+CSQ"));
    t.Button("send_button")->click();
    QVERIFY(t.WaitPeerReceived("AT+CSQ"));
    t.peer.ClearReceived();
    t.Box("new_line_box")->click();
    QTest::keyClick(t.Input(), Qt::Key_Return);
    QVERIFY(t.WaitPeerReceived("AT+CSQ\r\n"));
    // GBK text goes as GBK bytes.
    t.peer.ClearReceived();
    t.Input()->setText(Qs("AT+中文"_gbk));
    t.Button("send_button")->click();
    QVERIFY(t.WaitPeerReceived("AT+中文\r\n"_gbk));
  }

  void anEmptyInputSendsNothingAndTakesTheFocus() {
    TerminalHarness t;
    t.view()->ReceiveBox()->setFocus();
    t.Button("send_button")->click();
    QTest::qWait(100);
    QCOMPARE(t.peer.Received(), std::string());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(t.Input()));
  }

  void hexInputSendsItsBytes() {
    TerminalHarness t;
    t.Input()->setText(QStringLiteral("old"));
    t.Box("hex_box")->click();
    QVERIFY(t.Input()->text().isEmpty());
    QTest::keyClicks(t.Input(), QStringLiteral("41 42 0d"));
    t.Button("send_button")->click();
    QVERIFY(t.WaitPeerReceived("\x41\x42\x0D"));
    t.peer.ClearReceived();
    t.Input()->setText(QStringLiteral("4 1"));
    t.Button("send_button")->click();
    QVERIFY(t.WaitPeerReceived("\x41"));
  }

  void anOddHexInputIsRefused() {
    TerminalHarness t;
    t.Box("hex_box")->click();
    t.Input()->setText(QStringLiteral("414"));
    auto box = AnswerMessageBox(QMessageBox::Ok);
    t.Button("send_button")->click();
    QVERIFY(box->seen().seen);
    QCOMPARE(box->seen().text, Qs("数据是错误的HEX字符串"_gbk));
    QCOMPARE(box->seen().title, Qs("错误提示"_gbk));
    QCOMPARE(box->seen().icon, static_cast<int>(QMessageBox::Warning));
    QTest::qWait(50);
    QCOMPARE(t.peer.Received(), std::string());
  }

  void aForeignCharacterInHexInputIsRefused() {
    TerminalHarness t;
    t.Box("hex_box")->click();
    t.Input()->setText(QStringLiteral("41 4g"));  // pasted, not typed
    auto box = AnswerMessageBox(QMessageBox::Ok);
    t.Button("send_button")->click();
    QCOMPARE(box->seen().text, Qs("输入中有超出16进制范围的字符"_gbk));
    QCOMPARE(box->seen().title, Qs("错误提示"_gbk));
    QTest::qWait(50);
    QCOMPARE(t.peer.Received(), std::string());
  }

  void hexModeDropsForeignKeysWithAMessage() {
    TerminalHarness t;
    t.Box("hex_box")->click();
    QTest::keyClicks(t.Input(), QStringLiteral("4a F"));
    QCOMPARE(t.Input()->text(), QStringLiteral("4a F"));
    auto box = AnswerMessageBox(QMessageBox::Ok);
    QTest::keyClick(t.Input(), Qt::Key_G);
    QCOMPARE(box->seen().text, Qs("请输入有效的HEX字符组合(\"0~9\",\"a~f\",\"A~F\",\" \")!"_gbk));
    QCOMPARE(t.Input()->text(), QStringLiteral("4a F"));
    // Backspace is a typed character too, and is refused the same way.
    auto second = AnswerMessageBox(QMessageBox::Ok);
    QTest::keyClick(t.Input(), Qt::Key_Backspace);
    QVERIFY(second->seen().seen);
    QCOMPARE(t.Input()->text(), QStringLiteral("4a F"));
  }

  void newLineAndHexDisableEachOther() {
    TerminalHarness t;
    QCheckBox* new_line = t.Box("new_line_box");
    QCheckBox* hex = t.Box("hex_box");
    new_line->click();
    QVERIFY(!hex->isEnabled());
    new_line->click();
    QVERIFY(hex->isEnabled());
    hex->click();
    QVERIFY(!new_line->isEnabled());
    hex->click();
    QVERIFY(new_line->isEnabled());
  }

  void ctrlZSendsTheTextAndSubstituteWithoutALineEnd() {
    TerminalHarness t;
    t.Box("new_line_box")->click();
    QTest::keyClicks(t.Input(), QStringLiteral("AT+CMGS"));
    QTest::keyClick(t.Input(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(t.WaitPeerReceived("AT+CMGS\x1A"));
    // From the receive box it is the single byte.
    t.peer.ClearReceived();
    QTest::keyClick(t.view()->ReceiveBox(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(t.WaitPeerReceived("\x1A"));
  }

  void ctrlZRefusesMoreThan1024BytesAndDoesNothingInHexMode() {
    TerminalHarness t;
    t.Input()->setText(QString(1025, QLatin1Char('A')));
    auto box = AnswerMessageBox(QMessageBox::Ok);
    QTest::keyClick(t.Input(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box->seen().text, Qs("输入的AT指令太长，请重新输入长度不大于1024的指令！"_gbk));
    t.Box("hex_box")->click();
    t.Input()->setText(QStringLiteral("41"));
    QTest::keyClick(t.Input(), Qt::Key_Z, Qt::ControlModifier);
    QTest::qWait(100);
    QCOMPARE(t.peer.Received(), std::string());
  }

  void keysTypedIntoTheReceiveBoxAreSentAtOnce() {
    TerminalHarness t;
    QPlainTextEdit* box = t.view()->ReceiveBox();
    QTest::keyClicks(box, QStringLiteral("at"));
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(t.WaitPeerReceived("at\r"));
    QCOMPARE(box->toPlainText(), QString());
  }

  void timedSendRepeatsUntilTheBoxIsCleared() {
    TerminalHarness t;
    t.Input()->setText(QStringLiteral("T;"));
    QLineEdit* period = t.Find<QLineEdit>("send_period");
    period->setText(QStringLiteral("30"));
    t.Box("timed_box")->click();
    QVERIFY(!period->isEnabled());
    QCOMPARE(t.view()->SendTimer()->interval(), 30);
    QVERIFY(WaitFor([&] { return t.peer.CountReceived("T;") >= 4; }, 5000));
    t.Box("timed_box")->click();
    QVERIFY(period->isEnabled());
    QVERIFY(!t.view()->SendTimer()->isActive());
    const std::size_t sent = t.peer.CountReceived("T;");
    QTest::qWait(150);
    QCOMPARE(t.peer.CountReceived("T;"), sent);
  }

  void timedSendOfAnEmptyInputKeepsTheTimerRunning() {
    TerminalHarness t;
    t.Find<QLineEdit>("send_period")->setText(QStringLiteral("20"));
    t.Box("timed_box")->click();
    QTest::qWait(100);
    QVERIFY(t.view()->SendTimer()->isActive());
    QCOMPARE(t.peer.Received(), std::string());
  }

  void timedSendStopsOnAHexError() {
    TerminalHarness t;
    t.Box("hex_box")->click();
    t.Input()->setText(QStringLiteral("414"));
    t.Find<QLineEdit>("send_period")->setText(QStringLiteral("20"));
    auto box = AnswerMessageBox(QMessageBox::Ok);
    t.Box("timed_box")->click();
    QVERIFY(WaitFor([&] { return box->seen().seen; }, 5000));
    QCOMPARE(box->seen().text, Qs("数据是错误的HEX字符串"_gbk));
    QVERIFY(WaitFor([] { return QApplication::activeModalWidget() == nullptr; }, 5000));
    QVERIFY(!t.view()->SendTimer()->isActive());
    // The box stays ticked and the period edit disabled; no second message.
    QVERIFY(t.Box("timed_box")->isChecked());
    QVERIFY(!t.Find<QLineEdit>("send_period")->isEnabled());
    ModalResponder watch([](QWidget* modal) { modal->close(); }, 200);
    QTest::qWait(250);
    QVERIFY(!watch.seen().seen);
    QCOMPARE(t.peer.Received(), std::string());
  }

  void theReceiveBoxShowsWhatThePeerWrites() {
    TerminalHarness t;
    t.peer.Write("RUN AT\r\nOK\r\n"s + std::string("中文"_gbk) + "\xFF" + "\r\n");
    QPlainTextEdit* box = t.view()->ReceiveBox();
    const QString expected = QStringLiteral("RUN AT\nOK\n") + Qs("中文"_gbk) + QStringLiteral("\\xFF\n");
    QVERIFY(WaitFor([&] { return box->toPlainText() == expected; }, 5000));
    QCOMPARE(t.view()->ShownBytes(), "RUN AT\r\nOK\r\n"s + std::string("中文"_gbk) + "\xFF\r\n");
  }

  void aZeroByteEndsTheBlockItArrivedIn() {
    TerminalHarness t;
    t.peer.Write("AB\0CD"s);
    QVERIFY(WaitFor([&] { return t.view()->BytesRead() == 5; }, 5000));
    QVERIFY(WaitFor([&] { return t.view()->ReceiveBox()->toPlainText() == QStringLiteral("AB"); }, 5000));
    QTest::qWait(100);
    QCOMPARE(t.view()->ShownBytes(), "AB"s);
  }

  void aGbkCharacterSplitBetweenWritesShowsWhole() {
    TerminalHarness t;
    const std::string text("中"_gbk);
    t.peer.Write(text.substr(0, 1));
    t.peer.Write(text.substr(1), std::chrono::milliseconds(10));
    QVERIFY(WaitFor([&] { return t.view()->ReceiveBox()->toPlainText() == Qs(text); }, 5000));
  }

  void theBoxIsEmptiedBeforeTheBlockAfterIts500thLine() {
    TerminalHarness t;
    std::string lines;
    for (int i = 1; i <= 499; ++i) lines += "line " + std::to_string(i) + "\r\n";
    t.peer.Write(lines);
    QPlainTextEdit* box = t.view()->ReceiveBox();
    QVERIFY(WaitFor([&] { return t.view()->ShownBytes() == lines; }, 5000));
    QCOMPARE(box->blockCount(), 500);  // 499 lines and the empty one after them
    t.peer.Write("next\r\n");
    QVERIFY(WaitFor([&] { return t.view()->ShownBytes() == "next\r\n"; }, 5000));
    QCOMPARE(box->toPlainText(), QStringLiteral("next\n"));
  }

  void theBoxIsNotEmptiedBelow500Lines() {
    TerminalHarness t;
    std::string lines;
    for (int i = 1; i <= 498; ++i) lines += "line " + std::to_string(i) + "\r\n";
    t.peer.Write(lines);
    QVERIFY(WaitFor([&] { return t.view()->ShownBytes() == lines; }, 5000));
    t.peer.Write("next\r\n");
    QVERIFY(WaitFor([&] { return t.view()->ShownBytes() == lines + "next\r\n"; }, 5000));
  }

  void aLineWithoutEndShowsInPiecesAndIsSavedWhole() {
    TerminalHarness t;
    const std::string line(3000, 'a');
    t.peer.Write(line);
    QVERIFY(WaitFor([&] { return t.view()->ShownBytes() == line; }, 5000));
    const QStringList shown = t.view()->ReceiveBox()->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[0].size(), 1024);
    QCOMPARE(shown[1].size(), 1024);
    QCOMPARE(shown[2].size(), 952);
    test::TempDir dir;
    t.view()->SetSaveFileChooser([&](QWidget*) { return QString::fromStdString(dir.File("long.txt")); });
    t.Button("save_button")->click();
    QCOMPARE(test::ReadFileBytes(dir.File("long.txt")), line);
  }

  void receivingGivesTheBoxTheFocus() {
    TerminalHarness t;
    t.Button("save_button")->setFocus();
    t.peer.Write("OK\r\n");
    QVERIFY(WaitFor([&] { return t.view()->ReceiveBox()->hasFocus(); }, 5000));
    QCOMPARE(t.view()->ReceiveBox()->textCursor().position(),
             t.view()->ReceiveBox()->document()->characterCount() - 1);
  }

  void clearingLeavesASingleBlank() {
    TerminalHarness t;
    t.peer.Write("OK\r\n");
    QVERIFY(WaitFor([&] { return t.view()->ShownBytes() == "OK\r\n"; }, 5000));
    t.Button("clear_button")->click();
    QCOMPARE(t.view()->ReceiveBox()->toPlainText(), QStringLiteral(" "));
    QCOMPARE(t.view()->ShownBytes(), " "s);
  }

  void savingWritesTheReceivedBytesAndLogsThePath() {
    TerminalHarness t;
    test::TempDir dir;
    const std::string bytes = "+CSQ: 23,99\r\n"s + std::string("中文"_gbk) + "\xFF\r\n";
    t.peer.Write(bytes);
    QVERIFY(WaitFor([&] { return t.view()->ShownBytes() == bytes; }, 5000));
    t.view()->SetSaveFileChooser([&](QWidget*) { return QString::fromStdString(dir.File("log")); });
    t.Button("save_button")->click();
    QCOMPARE(test::ReadFileBytes(dir.File("log.txt")), bytes);
    QVERIFY(t.h().LogHas(std::string("保存调试信息成功, 保存的路径是:"_gbk) + dir.File("log.txt") + "\r\n"));
    // A name that holds ".txt" keeps it.
    t.view()->SetSaveFileChooser([&](QWidget*) { return QString::fromStdString(dir.File("log.txt.bak")); });
    t.Button("save_button")->click();
    QCOMPARE(test::ReadFileBytes(dir.File("log.txt.bak")), bytes);
  }

  void aCancelledSaveDoesNothingAndAFailedOneSays() {
    TerminalHarness t;
    const std::size_t lines = t.h().LogLines().size();
    t.view()->SetSaveFileChooser([](QWidget*) { return QString(); });
    t.Button("save_button")->click();
    QCOMPARE(t.h().LogLines().size(), lines);
    t.view()->SetSaveFileChooser([](QWidget*) { return QStringLiteral("/no/such/folder/log"); });
    auto box = AnswerMessageBox(QMessageBox::Ok);
    t.Button("save_button")->click();
    QCOMPARE(box->seen().text, Qs("打开保存参数配置文件失败"_gbk));
    QCOMPARE(box->seen().title, Qs("提示"_gbk));
    QCOMPARE(box->seen().icon, static_cast<int>(QMessageBox::Critical));
    QCOMPARE(t.h().LogLines().size(), lines);
  }

  void expandShowsThePanelBesideTheReceiveBox() {
    TerminalHarness t;
    QPlainTextEdit* box = t.view()->ReceiveBox();
    const int wide = box->width();
    t.Button("expand_button")->click();
    QCOMPARE(t.Button("expand_button")->text(), Qs("收缩"_gbk));
    QVERIFY(t.view()->Panel()->isVisible());
    QVERIFY(WaitFor([&] { return box->width() < wide; }, 2000));
    QVERIFY(t.view()->Panel()->mapTo(t.view(), QPoint(0, 0)).x() >=
            box->mapTo(t.view(), QPoint(box->width(), 0)).x());
    QCOMPARE(t.view()->Panel()->mapTo(t.view(), QPoint(0, 0)).y(), box->mapTo(t.view(), QPoint(0, 0)).y());
    t.Button("expand_button")->click();
    QCOMPARE(t.Button("expand_button")->text(), Qs("扩展"_gbk));
    QVERIFY(t.view()->Panel()->isHidden());
    QVERIFY(WaitFor([&] { return box->width() == wide; }, 2000));
  }

  void lineSettingsChangeTheOpenPort() {
    TerminalHarness t;
    t.List("baud_list")->setCurrentText(QStringLiteral("9600"));
    t.List("stop_bits_list")->setCurrentText(QStringLiteral("2"));
    t.List("parity_list")->setCurrentText(QStringLiteral("ODD"));
    const ToolSettings s = t.h().settings.Get();
    QCOMPARE(s.baud, 9600u);
    QCOMPARE(s.stop_bits, std::uint8_t{2});
    QCOMPARE(s.parity, std::uint8_t{1});
    const termios line = t.peer.LineState();
    QCOMPARE(cfgetospeed(&line), static_cast<speed_t>(B9600));
    QVERIFY((line.c_cflag & CSTOPB) != 0);
    // A pseudo-terminal forces 8 bits without parity but keeps the odd flag.
    QVERIFY((line.c_cflag & PARODD) != 0);
    QVERIFY(t.h().flags.port_open.load());
  }

  void lineSettingsChangeNothingWhileThePortIsClosed() {
    TerminalHarness t(/*cmd_ini=*/{}, /*open_port=*/false);
    const ToolSettings before = t.h().settings.Get();
    t.List("stop_bits_list")->setCurrentText(QStringLiteral("1.5"));
    t.List("stop_bits_list")->setCurrentText(QStringLiteral("2"));
    t.List("parity_list")->setCurrentText(QStringLiteral("EVEN"));
    t.List("baud_list")->setCurrentText(QStringLiteral("9600"));
    const ToolSettings after = t.h().settings.Get();
    QCOMPARE(after.stop_bits, before.stop_bits);
    QCOMPARE(after.parity, before.parity);
    QCOMPARE(after.baud, before.baud);
    QVERIFY(!t.h().flags.port_open.load());
  }
};

QTEST_MAIN(TestTerminalView)
#include "tst_terminal_view.moc"
