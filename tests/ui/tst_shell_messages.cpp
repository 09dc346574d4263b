// The window's message boxes for the core (from any thread), the catalogue's
// errors, the reports bridge, and the command line of zereltool.
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <atomic>
#include <thread>

#include "support/shell_modal.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/shell/app_options.h"
#include "ui/shell/qt_message_box.h"
#include "ui/shell/worker_reports_bridge.h"

using namespace zt;
using namespace zt::literals;
using namespace zt::shelltest;
using ui::Qs;

namespace {

// Records on which thread each report arrived.
class ThreadRecordingReports final : public IConfigReports {
 public:
  void Log(std::string_view line) override { Note("log:" + std::string(line)); }
  void Done(int value) override { Note("done:" + std::to_string(value)); }
  void Ready() override { Note("ready"); }
  void ModeIndex(int index) override { Note("mode:" + std::to_string(index)); }
  void DtuConnected() override { Note("connected"); }
  void CommandFinished(unsigned message, bool ok) override {
    Note("finished:" + std::to_string(message) + (ok ? ":1" : ":0"));
  }
  std::vector<std::string> calls;
  int off_ui_thread = 0;

 private:
  void Note(std::string call) {
    calls.push_back(std::move(call));
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) ++off_ui_thread;
  }
};

}  // namespace

class TestShellMessages : public QObject {
  Q_OBJECT

 private slots:
  void aMessageFromAnotherThreadWaitsForTheOperator() {
    ui::QtMessageBox messages;
    std::atomic<bool> returned{false};
    auto box = AnswerMessageBox(QMessageBox::Ok);
    std::thread worker([&] {
      messages.ShowMessage("修改串口参数失败"_gbk, "提示"_gbk, MessageIcon::kError);
      returned.store(true);
    });
    QVERIFY(WaitFor([&] { return returned.load(); }));
    worker.join();
    QVERIFY(box->seen().seen);
    QCOMPARE(box->seen().text, Qs("修改串口参数失败"_gbk));
    QCOMPARE(box->seen().title, Qs("提示"_gbk));
    QCOMPARE(box->seen().icon, static_cast<int>(QMessageBox::Critical));
  }

  void questionsAnswerYesOrNo() {
    auto yes = AnswerMessageBox(QMessageBox::Yes);
    QVERIFY(ui::AskQuestion(nullptr, "q"_gbk, "c"_gbk, ui::QuestionButtons::kYesNo, MessageIcon::kNone));
    auto no = AnswerMessageBox(QMessageBox::No);
    QVERIFY(!ui::AskQuestion(nullptr, "q"_gbk, "c"_gbk, ui::QuestionButtons::kYesNo, MessageIcon::kNone));
    auto cancel = AnswerMessageBox(QMessageBox::Cancel);
    QVERIFY(
        !ui::AskQuestion(nullptr, "q"_gbk, "c"_gbk, ui::QuestionButtons::kOkCancel, MessageIcon::kQuestion));
  }

  void aFatalCatalogueErrorShowsItsTextThenEndsTheProgram() {
    ui::QtMessageBox messages;
    std::vector<std::string> run_log;
    ui::QtCatalogueErrors errors(messages, [&](std::string_view line) { run_log.emplace_back(line); });
    std::optional<int> ended;
    errors.SetEndProgram([&](int status) { ended = status; });
    auto box = AnswerMessageBox(QMessageBox::Ok);
    errors.CatalogueFatal("组名字为空: group3"_gbk);
    QVERIFY(box->seen().seen);
    QCOMPARE(box->seen().text, Qs("组名字为空: group3"_gbk));
    QCOMPARE(ended, std::optional<int>(2));
  }

  void catalogueMessagesAndFileErrorsReachTheOperator() {
    ui::QtMessageBox messages;
    std::vector<std::string> run_log;
    ui::QtCatalogueErrors errors(messages, [&](std::string_view line) { run_log.emplace_back(line); });
    auto box = AnswerMessageBox(QMessageBox::Ok);
    errors.ShowCatalogueMessage("读入dtuparam.ini失败**"_gbk);
    QCOMPARE(box->seen().text, Qs("读入dtuparam.ini失败**"_gbk));
    std::thread worker([&] { errors.CatalogueFileError("group 3: too many parameters"); });
    QVERIFY(WaitFor([&] { return !run_log.empty(); }));
    worker.join();
    QCOMPARE(run_log, std::vector<std::string>{"group 3: too many parameters"});
  }

  void theBridgeHandsEveryReportToTheUiThreadInOrder() {
    ThreadRecordingReports ui_side;
    ui::WorkerReportsBridge bridge(ui_side);
    std::atomic<bool> returned{false};
    std::thread worker([&] {
      bridge.DtuConnected();
      bridge.Log("登录DTU成功\r\n"_gbk);
      bridge.ModeIndex(2);
      bridge.Done(1);
      bridge.Ready();
      bridge.CommandFinished(0x806F, true);
      returned.store(true);
    });
    QVERIFY(WaitFor([&] { return returned.load(); }));
    worker.join();
    QCOMPARE(ui_side.calls,
             (std::vector<std::string>{"connected", "log:" + std::string("登录DTU成功\r\n"_gbk), "mode:2",
                                       "done:1", "ready", "finished:32879:1"}));
    QCOMPARE(ui_side.off_ui_thread, 0);
  }

  void theBridgeCallsDirectlyOnTheUiThread() {
    ThreadRecordingReports ui_side;
    ui::WorkerReportsBridge bridge(ui_side);
    bridge.Done(0);
    QCOMPARE(ui_side.calls, std::vector<std::string>{"done:0"});
  }

  void commandLineOptions() {
    using ui::ParseAppOptions;
    const auto parsed =
        ParseAppOptions({"--port", "/dev/pts/3", "--catalogue-dir=/opt/cat", "--settings", "s.ini"});
    QVERIFY(parsed.error.empty());
    QCOMPARE(parsed.options.port, std::optional<std::string>("/dev/pts/3"));
    QCOMPARE(parsed.options.catalogue_dir, std::optional<std::string>("/opt/cat"));
    QCOMPARE(parsed.options.settings_file, std::optional<std::string>("s.ini"));
    QVERIFY(!parsed.options.auto_connect);

    const auto shot = ParseAppOptions({"--screenshot", "a.png"});
    QCOMPARE(shot.options.screenshot_file, std::optional<std::string>("a.png"));
    QVERIFY(shot.options.auto_connect);
    QVERIFY(ParseAppOptions({"--connect"}).options.auto_connect);
  }

  void badCommandLinesAreRefused() {
    QVERIFY(!ui::ParseAppOptions({"--port"}).error.empty());
    QVERIFY(!ui::ParseAppOptions({"--port="}).error.empty());
    QVERIFY(!ui::ParseAppOptions({"--frobnicate"}).error.empty());
    QVERIFY(!ui::ParseAppOptions({"extra"}).error.empty());
    QVERIFY(ui::WantsHelp({"--port", "x", "--help"}));
    QVERIFY(ui::WantsHelp({"-h"}));
    QVERIFY(!ui::WantsHelp({"--port", "x"}));
    QVERIFY(!ui::AppUsageText().empty());
  }
};

QTEST_MAIN(TestShellMessages)
#include "tst_shell_messages.moc"
