// The records page in the real window: what it lists from the station's
// records file, its filters, the chosen record's steps, the CSV export and
// the charts' counts.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QStackedBarSeries>
#include <chrono>
#include <map>
#include <sys/stat.h>

#include "records/record_export.h"
#include "records/record_ids.h"
#include "records/sqlite_record_store.h"
#include "support/shell_harness.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"
#include "ui/common/qt_text.h"
#include "ui/records/records_chart.h"
#include "ui/records/records_model.h"
#include "ui/records/view_records.h"

using namespace zt;
using namespace zt::literals;
using namespace zt::shelltest;
using ui::Qs;

namespace {

using std::chrono::minutes;

const char kSignalFailure[] = "信号检测失败：期望最低信号 15, 当前信号 9";
const char kCompareFailure[] = "配置比较失败: SERVER1\r\n";

UnitRecord Unit(int n, minutes ago, RecordResult result, const std::string& station, const char* failure = "") {
  const auto started = std::chrono::system_clock::now() - ago;
  UnitRecord r;
  r.uuid = "00000000-0000-4000-8000-00000000000" + std::to_string(n);
  r.started = IsoUtc(started);
  r.ended = IsoUtc(started + std::chrono::milliseconds(12300));
  r.station = station;
  r.port = "/dev/ttyUSB" + std::to_string(n);
  r.product_written = "P-" + std::to_string(n);
  r.imei_written = "86000000000000" + std::to_string(n);
  r.items = {"运行测试"};
  r.steps = {{"连接", RecordResult::kPassed, "", 800}};
  if (result == RecordResult::kFailed) {
    r.steps.push_back({"运行测试", RecordResult::kFailed, failure, 9000 + n});
  } else {
    r.steps.push_back({"运行测试", result, "", 9000 + n});
  }
  r.result = result;
  return r;
}

class Bench {
 public:
  Bench() {
    std::string error;
    auto store = SqliteRecordStore::Open(records_path, error);
    if (store == nullptr) return;
    for (const UnitRecord& r : units) store->Append(r);
    HarnessOptions options;
    options.settings_text = "[RECORDS]\r\nSTATION=line-a\r\nRECORDS_FILE=" + records_path + "\r\n";
    harness = std::make_unique<FrameHarness>(std::move(options));
    harness->Show();
    harness->frame().OnRecordsView();
    QTest::qWait(20);  // the first rows are read once the page is on screen
  }
  ui::CViewRecords* page() { return qobject_cast<ui::CViewRecords*>(harness->frame().CurrentPage()); }
  template <typename W>
  W* Find(const char* name) { return page()->findChild<W*>(QString::fromLatin1(name)); }
  void Apply() { QTest::mouseClick(Find<QPushButton>("applyButton"), Qt::LeftButton); }
  std::vector<std::string> Listed() {
    std::vector<std::string> uuids;
    for (int row = 0; row < page()->Model()->rowCount(); ++row) uuids.push_back(page()->Model()->UuidAt(row));
    return uuids;
  }

  test::TempDir dir;
  std::string records_path = dir.File("records.sqlite3");
  // Newest last; the oldest is outside the last 24 hours.
  std::vector<UnitRecord> units = {
      Unit(0, minutes(30 * 60), RecordResult::kPassed, "line-a"),
      Unit(1, minutes(180), RecordResult::kPassed, "line-a"),
      Unit(2, minutes(150), RecordResult::kFailed, "line-a", kSignalFailure),
      Unit(3, minutes(120), RecordResult::kFailed, "line-b", kCompareFailure),
      Unit(4, minutes(60), RecordResult::kStopped, "line-b"),
      Unit(5, minutes(30), RecordResult::kPassed, "line-b"),
  };
  std::unique_ptr<FrameHarness> harness;
};

}  // namespace

class TestRecordsPage : public QObject {
  Q_OBJECT

 private slots:
  void theLastDaysRecordsAreListedNewestFirstWithTheirResultsColoured() {
    Bench b;
    QVERIFY(b.page() != nullptr);
    QCOMPARE(b.Listed(), (std::vector<std::string>{b.units[5].uuid, b.units[4].uuid, b.units[3].uuid,
                                                   b.units[2].uuid, b.units[1].uuid}));
    ui::RecordsTableModel* model = b.page()->Model();
    const auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
      return model->data(model->index(row, column), role);
    };
    QCOMPARE(cell(0, ui::RecordsTableModel::kResult).toString(), Qs("通过"_gbk));
    QCOMPARE(cell(0, ui::RecordsTableModel::kImei).toString(), QStringLiteral("860000000000005"));
    QCOMPARE(cell(0, ui::RecordsTableModel::kDuration).toString(), QStringLiteral("12.3 s"));
    // What the unit said shows escaped, never as a line break in a row.
    QCOMPARE(cell(2, ui::RecordsTableModel::kFailure).toString(), QString::fromUtf8("配置比较失败: SERVER1\\x0D\\x0A"));
    const QColor passed = cell(0, ui::RecordsTableModel::kResult, Qt::BackgroundRole).value<QBrush>().color();
    const QColor failed = cell(2, ui::RecordsTableModel::kResult, Qt::BackgroundRole).value<QBrush>().color();
    QVERIFY(passed.green() > passed.red());
    QVERIFY(failed.red() > failed.green());
    QVERIFY(!cell(1, ui::RecordsTableModel::kResult, Qt::BackgroundRole).isValid());  // stopped
  }

  void filtersAndTheSearchListAnew() {
    Bench b;
    QVERIFY(b.page() != nullptr);
    auto* result = b.Find<QComboBox>("resultCombo");
    result->setCurrentIndex(result->findData(QStringLiteral("failed")));
    b.Apply();
    QCOMPARE(b.Listed(), (std::vector<std::string>{b.units[3].uuid, b.units[2].uuid}));
    b.Find<QComboBox>("stationCombo")->setEditText(QStringLiteral("line-b"));
    b.Apply();
    QCOMPARE(b.Listed(), std::vector<std::string>{b.units[3].uuid});

    result->setCurrentIndex(0);
    b.Find<QComboBox>("stationCombo")->setEditText(QString());
    QTest::keyClicks(b.Find<QLineEdit>("imeiEdit"), QStringLiteral("860000000000001"));
    QTest::keyClick(b.Find<QLineEdit>("imeiEdit"), Qt::Key_Return);
    QCOMPARE(b.Listed(), std::vector<std::string>{b.units[1].uuid});
    b.Find<QLineEdit>("imeiEdit")->clear();
    QTest::keyClicks(b.Find<QLineEdit>("productEdit"), QStringLiteral("P-4"));
    b.Apply();
    QCOMPARE(b.Listed(), std::vector<std::string>{b.units[4].uuid});
  }

  void theChosenRecordShowsItsFieldsAndSteps() {
    Bench b;
    QVERIFY(b.page() != nullptr);
    QTableView* table = b.page()->Table();
    table->selectRow(2);
    QTableWidget* steps = b.page()->Steps();
    QCOMPARE(steps->rowCount(), 2);
    QCOMPARE(steps->item(1, 0)->text(), QString::fromUtf8("运行测试"));
    QCOMPARE(steps->item(1, 1)->text(), Qs("失败"_gbk));
    QCOMPARE(steps->item(1, 2)->text(), QString::fromUtf8("配置比较失败: SERVER1\\x0D\\x0A"));
    QCOMPARE(steps->item(1, 3)->text(), QStringLiteral("9003"));
    QVERIFY(b.page()->DetailText().contains(QStringLiteral("P-3")));
    QVERIFY(b.page()->DetailText().contains(QString::fromStdString(b.units[3].uuid)));
  }

  void theExportWritesTheListedRecordsAsCsv() {
    Bench b;
    QVERIFY(b.page() != nullptr);
    auto* result = b.Find<QComboBox>("resultCombo");
    result->setCurrentIndex(result->findData(QStringLiteral("passed")));
    b.Apply();
    const std::string target = b.dir.File("passed.csv");
    b.page()->SetFileChooser([&](const QString&) { return QString::fromStdString(target); });
    QTest::mouseClick(b.Find<QPushButton>("exportButton"), Qt::LeftButton);
    // The export runs on a thread of its own; the button waits for its end.
    QVERIFY(!b.Find<QPushButton>("exportButton")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(b.harness->LogHas(Format("已导出%d条测试记录到%s"_gbk, 2, target)), 10000);
    QVERIFY(b.Find<QPushButton>("exportButton")->isEnabled());
    QVERIFY(!b.page()->Exporting());
    const std::vector<UnitRecord> expected = {b.units[5], b.units[1]};
    QCOMPARE(test::ReadFileBytes(target), RecordsCsv(expected));
  }

  void theChartCountsTheHoursAndTheFailures() {
    Bench b;
    QVERIFY(b.page() != nullptr);
    b.Find<QTabWidget>("recordsTabs")->setCurrentIndex(1);
    ui::RecordsChart* chart = b.page()->Chart();
    std::map<std::string, std::pair<qreal, qreal>> expected;  // hour: passed, failed
    for (std::size_t i = 1; i < b.units.size(); ++i) {
      auto& [passed, failed] = expected[b.units[i].started.substr(0, 13)];
      passed += b.units[i].result == RecordResult::kPassed ? 1 : 0;
      failed += b.units[i].result == RecordResult::kFailed ? 1 : 0;
    }
    // Every hour of the 24 (25 when the period does not start on the hour).
    QVERIFY(chart->Hours().size() >= 24 && chart->Hours().size() <= 25);
    auto* series = qobject_cast<QStackedBarSeries*>(chart->HourChart()->series().value(0));
    QVERIFY(series != nullptr);
    QCOMPARE(series->barSets().size(), 2);
    QCOMPARE(series->barSets()[0]->count(), static_cast<int>(chart->Hours().size()));
    for (std::size_t i = 0; i < chart->Hours().size(); ++i) {
      const auto at = expected.find(chart->Hours()[i].hour);
      const std::pair<qreal, qreal> counts = at == expected.end() ? std::pair<qreal, qreal>{0, 0} : at->second;
      QCOMPARE(series->barSets()[0]->at(static_cast<int>(i)), counts.first);
      QCOMPARE(series->barSets()[1]->at(static_cast<int>(i)), counts.second);
    }
    QCOMPARE(chart->Failures().size(), std::size_t{2});
    for (const FailureCount& f : chart->Failures()) QCOMPARE(f.units, std::int64_t{1});
  }

  void withoutARecordsFileThePageSaysSoAndMakesNone() {
    test::TempDir dir;
    const std::string path = dir.File("none.sqlite3");
    HarnessOptions options;
    options.settings_text = "[RECORDS]\r\nRECORDS_FILE=" + path + "\r\n";
    FrameHarness h(std::move(options));
    h.frame().OnRecordsView();
    QTest::qWait(20);
    auto* page = qobject_cast<ui::CViewRecords*>(h.frame().CurrentPage());
    QVERIFY(page != nullptr);
    QCOMPARE(page->StatusText(), Qs("尚无测试记录"_gbk));
    QCOMPARE(page->Model()->rowCount(), 0);
    struct stat st {};
    QVERIFY(::lstat(path.c_str(), &st) != 0);
  }
};

QTEST_MAIN(TestRecordsPage)
#include "tst_records_page.moc"
