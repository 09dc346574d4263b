// The AT terminal page's options against a scripted peer on a
// pseudo-terminal: time stamps, the hex view, the log file, the history,
// Ctrl+F and command sequences.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextCursor>
#include <filesystem>

#include "support/shell_modal.h"
#include "support/temp_dir.h"
#include "support/terminal_harness.h"
#include "terminal/command_sequence.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/terminal/sequence_dialog.h"

using namespace zt;
using namespace zt::literals;
using namespace zt::shelltest;
using namespace std::string_literals;
using ui::Qs;

namespace {

const QString kStamp = QStringLiteral("\\d\\d:\\d\\d:\\d\\d\\.\\d{3} ");

bool BoxMatches(ui::CViewSerial* view, const QString& pattern) {
  const QRegularExpression re(QStringLiteral("\\A") + pattern + QStringLiteral("\\z"));
  return WaitFor([&] { return re.match(view->ReceiveBox()->toPlainText()).hasMatch(); }, 5000);
}

}  // namespace

class TestTerminalOptions : public QObject {
  Q_OBJECT

 private slots:
  void timestampsMarkEachLineAndEachSentBlock() {
    TerminalHarness t;
    for (const auto& [name, text] : {std::pair{"timestamps_box", "时间戳"_gbk}, std::pair{"hex_view_box", "HEX显示"_gbk},
                                     std::pair{"log_box", "保存日志"_gbk}}) {
      QCOMPARE(t.Box(name)->text(), Qs(text));
      QVERIFY(!t.Box(name)->isChecked());
    }
    QVERIFY(t.Find<QLabel>("log_path")->isHidden());
    t.peer.AddRule({.when = "AT+CSQ\r\n", .reply = {"AT+CSQ\r\n+CSQ: 2", "3,99\r\nOK\r\n"}, .gap = test::PtyPeer::Millis(200)});
    t.Box("timestamps_box")->click();
    t.Box("new_line_box")->click();
    t.Input()->setText(QStringLiteral("AT+CSQ"));
    t.Button("send_button")->click();
    QVERIFY(BoxMatches(t.view(), kStamp + Qs("→ "_gbk) + QStringLiteral("AT\\+CSQ\\n") + kStamp +
                                     QStringLiteral("AT\\+CSQ\\n") + kStamp + QStringLiteral("\\+CSQ: 23,99\\n") +
                                     kStamp + QStringLiteral("OK\\n")));
    // The +CSQ line carries the time of its first piece, the OK line that of the second.
    const QStringList lines = t.view()->ReceiveBox()->toPlainText().split(QLatin1Char('\n'));
    QVERIFY(lines[2].left(12) < lines[3].left(12));
  }

  void hexViewShowsEveryByteFromTheTick() {
    TerminalHarness t;
    t.peer.Write("AB\0CD\r\n"s);
    QVERIFY(BoxMatches(t.view(), QStringLiteral("AB")));
    t.Box("hex_view_box")->click();
    t.peer.Write("\0OK\xFF\x81"s);
    QVERIFY(BoxMatches(t.view(), QStringLiteral("AB\\n00 4F 4B FF 81 {33}  \\.OK\\.\\.\\n")));
    QCOMPARE(t.view()->BytesShown(), 2u + 5u);
  }

  void theLogKeepsWhatTheBoxShowsAndWhatWasSent() {
    TerminalHarness t;
    test::TempDir dir;
    t.view()->SetLogFolder(dir.path() + "/logs/");
    t.Box("log_box")->click();
    QVERIFY(t.Box("log_box")->isChecked());
    const std::string path = t.view()->LogPath();
    QVERIFY(QString::fromStdString(path).contains(QRegularExpression(QStringLiteral("/logs/\\d{8}-\\d{6}-pts_\\d+\\.log$"))));
    QVERIFY(t.Find<QLabel>("log_path")->isVisible());
    QVERIFY(t.Find<QLabel>("log_path")->text().contains(QString::fromStdString(path)));
    QVERIFY(t.h().LogHas(std::string("AT界面日志文件: "_gbk) + path + "\r\n"));
    t.peer.Write("RUN AT\r\n");
    QVERIFY(WaitFor([&] { return t.view()->ShownBytes() == "RUN AT\r\n"; }, 5000));
    t.Input()->setText(QStringLiteral("AT"));
    t.Button("send_button")->click();
    // Written within a second, while the log is still open.
    QVERIFY(WaitFor([&] { return test::ReadFileBytes(path) == "RUN AT\r\n" + std::string("→ AT\r\n"_gbk); }, 1500));
    t.Box("log_box")->click();
    QVERIFY(!t.Box("log_box")->isChecked());
    t.peer.Write("late\r\n");
    QVERIFY(WaitFor([&] { return t.view()->ShownBytes().ends_with("late\r\n"); }, 5000));
    QCOMPARE(test::ReadFileBytes(path), "RUN AT\r\n" + std::string("→ AT\r\n"_gbk));
    QCOMPARE(t.view()->LogFiles(), std::vector<std::string>{path});
  }

  void historyWalksWithUpAndDownAndOutlivesThePage() {
    TerminalHarness t;
    for (const char* line : {"AT+A", "AT+B"}) {
      QTest::keyClicks(t.Input(), QString::fromLatin1(line));
      QTest::keyClick(t.Input(), Qt::Key_Return);
      t.Input()->clear();
    }
    QTest::keyClicks(t.Input(), QStringLiteral("dra"));
    const auto key = [&](Qt::Key k) {
      QTest::keyClick(t.Input(), k);
      return t.Input()->text();
    };
    QCOMPARE(key(Qt::Key_Up), QStringLiteral("AT+B"));
    QCOMPARE(key(Qt::Key_Up), QStringLiteral("AT+A"));
    QCOMPARE(key(Qt::Key_Up), QStringLiteral("AT+A"));
    QCOMPARE(key(Qt::Key_Down), QStringLiteral("AT+B"));
    QCOMPARE(key(Qt::Key_Down), QStringLiteral("dra"));
    QCOMPARE(t.peer.Received(), "AT+AAT+B");  // the keys sent nothing
    // A new page (as after a restart) reads the history back.
    t.frame().CommandAction(ui::kIdParameterView)->trigger();
    t.ShowTerminal();
    QVERIFY(t.view() != nullptr);
    QCOMPARE(key(Qt::Key_Up), QStringLiteral("AT+B"));
    QVERIFY(std::filesystem::exists(t.h().Folder() + "/at_history.ini"));
  }

  void ctrlFFindsTextInTheReceiveBoxAndSendsNothing() {
    TerminalHarness t;
    t.peer.Write("RUN AT\r\n+CSQ: 23,99\r\nOK\r\n");
    QVERIFY(WaitFor([&] { return t.view()->ShownBytes().ends_with("OK\r\n"); }, 5000));
    QPlainTextEdit* box = t.view()->ReceiveBox();
    box->setFocus();
    QTest::keyClick(box, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(t.Find<QWidget>("find_bar")->isVisible());
    QLineEdit* find = t.Find<QLineEdit>("find_edit");
    QVERIFY(find->hasFocus());
    QTest::keyClicks(find, QStringLiteral("CSQ"));
    QTest::keyClick(find, Qt::Key_Return);
    QCOMPARE(box->textCursor().selectedText(), QStringLiteral("CSQ"));
    // What comes meanwhile neither moves the selection nor takes the focus.
    t.peer.Write("RING\r\n");
    QVERIFY(WaitFor([&] { return t.view()->ShownBytes().ends_with("RING\r\n"); }, 5000));
    QCOMPARE(box->textCursor().selectedText(), QStringLiteral("CSQ"));
    QVERIFY(find->hasFocus());
    find->setText(QStringLiteral("absent"));
    QTest::keyClick(find, Qt::Key_Return);
    QCOMPARE(t.Find<QLabel>("find_status")->text(), Qs("未找到"_gbk));
    QTest::keyClick(find, Qt::Key_Escape);
    QVERIFY(t.Find<QWidget>("find_bar")->isHidden());
    QTest::qWait(50);
    QCOMPARE(t.peer.Received(), std::string());
  }

  void aSequenceIsEditedRunWithProgressAndStopped() {
    TerminalHarness t;
    t.peer.AddRule({.when = "AT+CSQ\r\n", .reply = {"+CSQ: 23,99\r\nOK\r\n"}, .delay = test::PtyPeer::Millis(300)});
    const CommandSequence sequence{{{StepKind::kSendLine, "AT+CSQ", 0},
                                    {StepKind::kWaitText, "OK", 2000},
                                    {StepKind::kSendHex, "41 42", 0}}};
    {
      ModalResponder editor([&](QWidget* modal) {
        auto* dialog = qobject_cast<ui::SequenceDialog*>(modal);
        QVERIFY(dialog != nullptr);
        for (const SequenceStep& step : sequence.steps) dialog->AddStep(step);
        dialog->accept();
      });
      t.Button("sequence_edit_button")->click();
      QVERIFY(editor.seen().seen);
    }
    QCOMPARE(t.view()->Sequence(), sequence);
    QCOMPARE(LoadSequence(t.h().Folder() + "/at_sequence.ini"), std::optional<CommandSequence>(sequence));

    t.Button("sequence_run_button")->click();
    QCOMPARE(t.Button("sequence_run_button")->text(), Qs("停止序列"_gbk));
    QVERIFY(WaitFor([&] { return t.Find<QLabel>("sequence_status")->text() == Qs("第2/3步"_gbk); }, 5000));
    QVERIFY(t.Find<QProgressBar>("sequence_progress")->isVisible());
    QVERIFY(WaitFor([&] { return t.Find<QLabel>("sequence_status")->text() == Qs("命令序列执行完毕"_gbk); }, 5000));
    QCOMPARE(t.Button("sequence_run_button")->text(), Qs("运行序列"_gbk));
    QVERIFY(t.h().LogHas(std::string("命令序列执行完毕\r\n"_gbk)));
    QVERIFY(t.WaitPeerReceived("AT+CSQ\r\nAB"));

    // Stopped halfway: nothing after the stop goes out.
    t.peer.ClearReceived();
    {
      ModalResponder editor([&](QWidget* modal) {
        auto* dialog = qobject_cast<ui::SequenceDialog*>(modal);
        dialog->SetSequence(CommandSequence{
            {{StepKind::kSendLine, "ONE", 0}, {StepKind::kPause, {}, 10000}, {StepKind::kSendLine, "TWO", 0}}});
        dialog->accept();
      });
      t.Button("sequence_edit_button")->click();
    }
    t.Button("sequence_run_button")->click();
    QVERIFY(t.WaitPeerReceived("ONE\r\n"));
    QVERIFY(WaitFor([&] { return t.Find<QLabel>("sequence_status")->text() == Qs("第2/3步"_gbk); }, 5000));
    t.Button("sequence_run_button")->click();
    QCOMPARE(t.Find<QLabel>("sequence_status")->text(), Qs("命令序列在第2步被停止"_gbk));
    QCOMPARE(t.Button("sequence_run_button")->text(), Qs("运行序列"_gbk));
    QTest::qWait(100);
    QCOMPARE(t.peer.Received(), "ONE\r\n"s);
  }
};

QTEST_MAIN(TestTerminalOptions)
#include "tst_terminal_options.moc"
