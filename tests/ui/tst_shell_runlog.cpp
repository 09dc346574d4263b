// The run log: lines kept as their GBK bytes, shown without their line ends,
// the last line selected, "复制所有行" and "清空".
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMenu>
#include <QTest>

#include "text/gbk_literal.h"
#include "ui/bars/log_list_box.h"
#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"

using namespace zt;
using namespace zt::literals;
using ui::CLogListBox;
using ui::Qs;

class TestShellRunLog : public QObject {
  Q_OBJECT

 private slots:
  void aLineIsKeptExactlyAndShownWithoutItsLineEnd() {
    CLogListBox log;
    log.AddLine("登录DTU成功\r\n"_gbk);
    log.AddLine("连接DTU成功!  "_gbk);
    QCOMPARE(log.Lines(), (std::vector<std::string>{std::string("登录DTU成功\r\n"_gbk),
                                                    std::string("连接DTU成功!  "_gbk)}));
    QCOMPARE(log.item(0)->text(), Qs("登录DTU成功"_gbk));
    // Trailing blanks are part of the line and stay.
    QCOMPARE(log.item(1)->text(), Qs("连接DTU成功!  "_gbk));
  }

  void innerLineEndsShowAsOneBlank() {
    QCOMPARE(CLogListBox::DisplayText("a\r\nb\n\nc\r\n"), QStringLiteral("a b c"));
  }

  void bytesThatAreNotGbkShowEscaped() {
    QCOMPARE(CLogListBox::DisplayText("A\xff"), QStringLiteral("A\\xFF"));
  }

  void addingALineSelectsIt() {
    CLogListBox log;
    for (int i = 0; i < 200; ++i) log.AddLine("x");
    QCOMPARE(log.currentRow(), 199);
    QVERIFY(log.item(199)->isSelected());
  }

  void copyAllLinesPutsEveryLineWithCrLfOnTheClipboard() {
    CLogListBox log;
    log.AddLine("欢迎使用Tolvane 合并版 管理工具"_gbk);
    log.AddLine("登录DTU成功\r\n"_gbk);
    log.CopyAllLines();
    QCOMPARE(QApplication::clipboard()->text(),
             Qs("欢迎使用Tolvane 合并版 管理工具\r\n登录DTU成功\r\n\r\n"_gbk));
    QCOMPARE(log.AllLinesText(), std::string("欢迎使用Tolvane 合并版 管理工具\r\n登录DTU成功\r\n\r\n"_gbk));
  }

  void copyOfAnEmptyLogPutsAnEmptyText() {
    QApplication::clipboard()->setText(QStringLiteral("old"));
    CLogListBox log;
    log.CopyAllLines();
    QCOMPARE(QApplication::clipboard()->text(), QString());
  }

  void clearEmptiesAndTheNextLineIsLineZero() {
    CLogListBox log;
    log.AddLine("a");
    log.AddLine("b");
    log.ClearLines();
    QCOMPARE(log.count(), 0);
    QVERIFY(log.Lines().empty());
    log.AddLine("c");
    QCOMPARE(log.count(), 1);
    QCOMPARE(log.currentRow(), 0);
  }

  void rightClickMenuOffersCopyThenClear() {
    CLogListBox log;
    const QList<QAction*> entries = log.ContextMenu()->actions();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0]->text(), Qs("复制所有行"_gbk));
    QCOMPARE(entries[1]->text(), Qs("清空"_gbk));
    log.AddLine("x\r\n");
    entries[0]->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("x\r\n\r\n"));
    entries[1]->trigger();
    QCOMPARE(log.count(), 0);
  }

  void runLogUsesAnInstalledCjkFont() {
    CLogListBox log;
    QCOMPARE(log.font().family(), ui::CjkFontFamily());
    QVERIFY(QFontDatabase::families().contains(ui::CjkFontFamily()));
    // The face draws Chinese: not the replacement boxes of a Latin-only font.
    const QFontMetrics metrics(log.font());
    QVERIFY(metrics.inFont(Qs("运"_gbk).at(0)));
  }
};

QTEST_MAIN(TestShellRunLog)
#include "tst_shell_runlog.moc"
