#include "ui/records/view_records.h"

#include <sys/stat.h>

#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "common/message_box.h"
#include "records/sqlite_record_store.h"
#include "settings/record_settings.h"
#include "settings/tool_settings.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"
#include "ui/common/qt_text.h"
#include "ui/records/records_chart.h"
#include "ui/records/records_model.h"
#include "ui/records/records_text.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

constexpr qint64 kDaySeconds = 24 * 60 * 60;
const QString kEditFormat = QStringLiteral("yyyy-MM-dd HH:mm");
enum TabIndex { kListTab = 0, kChartTab = 1 };

QLabel* Caption(std::string_view gbk, QWidget* parent) { return new QLabel(Qs(gbk), parent); }

// The record's fields as "name: value" lines, as the detail pane shows them.
QString DetailOf(const UnitRecord& r) {
  QString text;
  auto line = [&](std::string_view gbk_name, const QString& value) {
    text += Qs(gbk_name) + QStringLiteral(": ") + value + QLatin1Char('\n');
  };
  auto field = [&](std::string_view gbk_name, const std::string& utf8) { line(gbk_name, RecordText(utf8)); };
  line("结果"_gbk, ResultText(r.result));
  line("开始时间"_gbk, LocalTimeText(r.started));
  line("结束时间"_gbk, LocalTimeText(r.ended));
  line("用时"_gbk, DurationText(r.started, r.ended));
  field("工位"_gbk, r.station);
  field("操作员"_gbk, r.operator_name);
  field("串口"_gbk, r.port);
  line("测试类型"_gbk, Qs(r.finished_product ? "成品"_gbk : "半成品"_gbk));
  std::string items;
  for (const std::string& item : r.items) items += (items.empty() ? "" : ", ") + item;
  field("测试项目"_gbk, items);
  field("配置文件"_gbk, r.config_path);
  field("配置文件SHA-256"_gbk, r.config_sha256);
  field("关键字"_gbk, r.key_string);
  line("信号门限"_gbk, QString::number(r.signal_threshold));
  line("信号"_gbk, r.signal ? QString::number(*r.signal) : QStringLiteral("-"));
  field("软件版本"_gbk, r.software_version);
  field("写入产品号"_gbk, r.product_written);
  field("写入IMEI"_gbk, r.imei_written);
  field("读回产品号"_gbk, r.product_read);
  field("读回IMEI"_gbk, r.imei_read);
  for (std::string identity : r.identity_lines) {
    while (!identity.empty() && (identity.back() == '\n' || identity.back() == '\r')) identity.pop_back();
    field("识别信息"_gbk, identity);
  }
  if (r.duplicate_imei_override) line("重复IMEI"_gbk, Qs("操作员已放行"_gbk));
  field("工具版本"_gbk, r.tool_version);
  field("记录号"_gbk, r.uuid);
  return text;
}

}  // namespace

CViewRecords::CViewRecords(IFrameContext& frame, QWidget* parent) : CViewBase(frame, parent) {
  setObjectName(QStringLiteral("recordsView"));
  BuildControls();
  choose_file_ = [this](const QString& suggested) {
    return QFileDialog::getSaveFileName(this, Qs("导出测试记录"_gbk), suggested, Qs("CSV 文件 (*.csv)"_gbk));
  };
}

CViewRecords::~CViewRecords() {
  // An export under way ends first; its report to this page is dropped.
  if (export_thread_.joinable()) export_thread_.join();
  // The model reads through the store: it lets go first.
  model_->SetSource(nullptr, {});
}

void CViewRecords::BuildControls() {
  const QDateTime now = QDateTime::currentDateTime();
  since_ = new QDateTimeEdit(now.addSecs(-kDaySeconds), this);
  since_->setObjectName(QStringLiteral("sinceEdit"));
  until_ = new QDateTimeEdit(now, this);
  until_->setObjectName(QStringLiteral("untilEdit"));
  for (QDateTimeEdit* edit : {since_, until_}) {
    edit->setDisplayFormat(kEditFormat);
    edit->setCalendarPopup(true);
  }
  last_day_ = new QPushButton(Qs("最近24小时"_gbk), this);
  last_day_->setObjectName(QStringLiteral("lastDayButton"));

  result_ = new QComboBox(this);
  result_->setObjectName(QStringLiteral("resultCombo"));
  result_->addItem(Qs("全部"_gbk), QString());
  for (const RecordResult r : {RecordResult::kPassed, RecordResult::kFailed, RecordResult::kStopped}) {
    result_->addItem(ResultText(r), QString::fromLatin1(RecordResultToken(r)));
  }
  station_ = new QComboBox(this);
  station_->setObjectName(QStringLiteral("stationCombo"));
  station_->setEditable(true);
  station_->setMinimumWidth(120);
  imei_ = new QLineEdit(this);
  imei_->setObjectName(QStringLiteral("imeiEdit"));
  imei_->setPlaceholderText(Qs("搜索IMEI"_gbk));
  imei_->setClearButtonEnabled(true);
  product_ = new QLineEdit(this);
  product_->setObjectName(QStringLiteral("productEdit"));
  product_->setPlaceholderText(Qs("搜索产品号"_gbk));
  product_->setClearButtonEnabled(true);
  apply_ = new QPushButton(Qs("查询"_gbk), this);
  apply_->setObjectName(QStringLiteral("applyButton"));
  apply_->setDefault(true);
  export_ = new QPushButton(Qs("导出CSV"_gbk), this);
  export_->setObjectName(QStringLiteral("exportButton"));
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("recordsStatusLabel"));
  status_->setTextFormat(Qt::PlainText);

  auto* period = new QHBoxLayout;
  period->addWidget(Caption("开始时间"_gbk, this));
  period->addWidget(since_);
  period->addWidget(Caption("结束时间"_gbk, this));
  period->addWidget(until_);
  period->addWidget(last_day_);
  period->addSpacing(12);
  period->addWidget(Caption("结果"_gbk, this));
  period->addWidget(result_);
  period->addWidget(Caption("工位"_gbk, this));
  period->addWidget(station_);
  period->addStretch(1);
  auto* search = new QHBoxLayout;
  search->addWidget(Caption("IMEI"_gbk, this));
  search->addWidget(imei_, 2);
  search->addWidget(Caption("产品号"_gbk, this));
  search->addWidget(product_, 2);
  search->addWidget(apply_);
  search->addWidget(export_);
  search->addWidget(status_, 3);

  model_ = new RecordsTableModel(this);
  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("recordsTable"));
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setAlternatingRowColors(true);
  table_->setWordWrap(false);
  table_->verticalHeader()->setVisible(false);
  // Fixed row heights and column widths: sizing to contents would read every row.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  table_->horizontalHeader()->setStretchLastSection(true);
  const int widths[RecordsTableModel::kColumnCount] = {140, 90, 150, 90, 130, 50, 260, 60};
  for (int c = 0; c < RecordsTableModel::kColumnCount; ++c) table_->setColumnWidth(c, widths[c]);

  detail_ = new QPlainTextEdit(this);
  detail_->setObjectName(QStringLiteral("recordDetail"));
  detail_->setReadOnly(true);
  detail_->setLineWrapMode(QPlainTextEdit::NoWrap);
  steps_ = new QTableWidget(0, 4, this);
  steps_->setObjectName(QStringLiteral("recordSteps"));
  steps_->setHorizontalHeaderLabels(
      {Qs("步骤"_gbk), Qs("结果"_gbk), Qs("失败原因"_gbk), Qs("用时(ms)"_gbk)});
  steps_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  steps_->verticalHeader()->setVisible(false);
  steps_->horizontalHeader()->setStretchLastSection(true);
  auto* detail_side = new QSplitter(Qt::Vertical, this);
  detail_side->addWidget(detail_);
  detail_side->addWidget(steps_);
  auto* list = new QSplitter(Qt::Horizontal, this);
  list->addWidget(table_);
  list->addWidget(detail_side);
  list->setStretchFactor(0, 3);
  list->setStretchFactor(1, 1);

  // The charts are built when their tab is first shown: opening the page
  // costs only the table.
  chart_tab_ = new QWidget(this);
  auto* chart_layout = new QVBoxLayout(chart_tab_);
  chart_layout->setContentsMargins(0, 0, 0, 0);
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("recordsTabs"));
  tabs_->addTab(list, Qs("记录列表"_gbk));
  tabs_->addTab(chart_tab_, Qs("统计图表"_gbk));

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(period);
  layout->addLayout(search);
  layout->addWidget(tabs_, 1);

  connect(apply_, &QPushButton::clicked, this, &CViewRecords::ApplyFilter);
  connect(last_day_, &QPushButton::clicked, this, &CViewRecords::LastDay);
  connect(export_, &QPushButton::clicked, this, &CViewRecords::ExportCsv);
  connect(imei_, &QLineEdit::returnPressed, this, &CViewRecords::ApplyFilter);
  connect(product_, &QLineEdit::returnPressed, this, &CViewRecords::ApplyFilter);
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == kChartTab && chart_stale_) RefreshChart();
  });
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { ShowRecord(current.isValid() ? current.row() : -1); });
  connect(model_, &QAbstractItemModel::rowsInserted, this, &CViewRecords::RefreshStatus);
  connect(model_, &QAbstractItemModel::modelReset, this, &CViewRecords::RefreshStatus);
  connect(model_, &RecordsTableModel::readFailed, this, &CViewRecords::RefreshStatus);
}

void CViewRecords::InitialUpdate() {
  OpenStore();
  // The first rows are read once the page is on screen, so that building
  // the page and reading them never hold the window together.
  QTimer::singleShot(0, this, [this] { ApplyFilter(); });
}

void CViewRecords::OpenStore() {
  const RecordSettings settings = ReadRecordSettings(frame().Settings().Get().settings_path);
  station_->addItem(QString());
  station_->addItem(RecordText(settings.station));
  const std::string path = settings.file.empty() ? frame().RecordsFile() : settings.file;
  struct stat st {};
  if (path.empty() || ::lstat(path.c_str(), &st) != 0) {
    store_error_ = "no records file yet";
    status_->setText(Qs("尚无测试记录"_gbk));
    return;
  }
  // Only reading: a page that shows records never makes or changes a file.
  RecordStoreOptions reading;
  reading.create = false;
  store_path_ = path;
  store_ = SqliteRecordStore::Open(path, store_error_, reading);
  if (!store_) status_->setText(Qs("无法打开测试记录: "_gbk) + RecordText(store_error_));
}

RecordFilter CViewRecords::FilterOfControls() const {
  RecordFilter f;
  f.since = IsoOfDateTime(since_->dateTime());
  f.until = IsoOfDateTime(until_->dateTime());
  f.imei = imei_->text().trimmed().toStdString();
  f.product = product_->text().trimmed().toStdString();
  const QString token = result_->currentData().toString();
  if (!token.isEmpty()) f.result = RecordResultFromToken(token.toStdString());
  f.station = station_->currentText().trimmed().toStdString();
  return f;
}

void CViewRecords::ApplyFilter() {
  filter_ = FilterOfControls();
  detail_->clear();
  steps_->setRowCount(0);
  model_->SetSource(store_.get(), filter_);
  chart_stale_ = true;
  if (tabs_->currentIndex() == kChartTab) RefreshChart();
}

void CViewRecords::LastDay() {
  const QDateTime now = QDateTime::currentDateTime();
  since_->setDateTime(now.addSecs(-kDaySeconds));
  until_->setDateTime(now);
  ApplyFilter();
}

void CViewRecords::RefreshStatus() {
  if (!store_) return;
  if (!model_->Error().empty()) {
    status_->setText(Qs("读取测试记录失败: "_gbk) + RecordText(model_->Error()));
    return;
  }
  const int rows = model_->rowCount();
  std::string text = Format("%d条记录"_gbk, rows);
  if (model_->canFetchMore({})) text += "，滚动读取更多"_gbk;
  status_->setText(Qs(text));
}

QString CViewRecords::StatusText() const { return status_->text(); }

QString CViewRecords::DetailText() const { return detail_->toPlainText(); }

void CViewRecords::ShowRecord(int row) {
  detail_->clear();
  steps_->setRowCount(0);
  if (row < 0 || row >= model_->rowCount() || !store_) return;
  const std::optional<UnitRecord> record = store_->Find(model_->UuidAt(row));
  if (!record) {
    detail_->setPlainText(Qs("读取测试记录失败: "_gbk) + RecordText(store_->LastError()));
    return;
  }
  detail_->setPlainText(DetailOf(*record));
  steps_->setRowCount(static_cast<int>(record->steps.size()));
  for (int i = 0; i < static_cast<int>(record->steps.size()); ++i) {
    const StepRecord& s = record->steps[static_cast<std::size_t>(i)];
    const QString cells[] = {RecordText(s.name), ResultText(s.result), RecordText(s.failure),
                             QString::number(s.duration_ms)};
    for (int c = 0; c < 4; ++c) steps_->setItem(i, c, new QTableWidgetItem(cells[c]));
  }
}

void CViewRecords::RefreshChart() {
  chart_stale_ = false;
  if (chart_ == nullptr) {
    chart_ = new RecordsChart(chart_tab_);
    chart_tab_->layout()->addWidget(chart_);
  }
  if (!store_) {
    chart_->Show(RecordStats{}, filter_.since, filter_.until);
    return;
  }
  const std::optional<RecordStats> stats = store_->Stats(filter_);
  if (!stats) {
    status_->setText(Qs("读取测试记录失败: "_gbk) + RecordText(store_->LastError()));
    chart_->Show(RecordStats{}, filter_.since, filter_.until);
    return;
  }
  chart_->Show(*stats, filter_.since, filter_.until);
}

void CViewRecords::ExportCsv() {
  if (!store_) {
    frame().Messages().ShowMessage("尚无测试记录"_gbk, "导出测试记录"_gbk, MessageIcon::kExclamation);
    return;
  }
  if (Exporting()) return;
  const QString suggested =
      QStringLiteral("records_%1.csv").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmm")));
  const QString chosen = choose_file_ ? choose_file_(suggested) : QString();
  if (chosen.isEmpty()) return;
  const std::string target = NativePath(chosen);
  export_->setEnabled(false);
  status_->setText(Qs("正在导出测试记录..."_gbk));
  export_thread_ = std::thread([this, records = store_path_, filter = filter_, target] {
    const CsvExportOutcome outcome = ExportRecordsCsv(records, filter, target);
    QMetaObject::invokeMethod(
        this, [this, outcome, target] { ExportFinished(outcome, target); }, Qt::QueuedConnection);
  });
}

void CViewRecords::ExportFinished(const CsvExportOutcome& outcome, const std::string& target) {
  export_thread_.join();
  export_->setEnabled(true);
  RefreshStatus();
  switch (outcome.kind) {
    case CsvExportOutcome::Kind::kNotRead:
      frame().Messages().ShowMessage(Format("读取测试记录失败: %s"_gbk, Utf8ToGbkLossy(outcome.error)),
                                     "导出测试记录"_gbk, MessageIcon::kError);
      return;
    case CsvExportOutcome::Kind::kNotWritten:
      frame().Messages().ShowMessage(Format("无法写入文件%s"_gbk, Utf8ToGbkLossy(target)), "导出测试记录"_gbk,
                                     MessageIcon::kError);
      return;
    case CsvExportOutcome::Kind::kWritten:
      frame().AddLogLine(
          Format("已导出%d条测试记录到%s"_gbk, static_cast<int>(outcome.count), Utf8ToGbkLossy(target)));
      return;
  }
}

}  // namespace zt::ui
