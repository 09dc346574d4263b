// The records page (view id 134, "测试记录"): the station's production
// records in a table, newest first, with the filters of `records list`
// (period, IMEI, product number, result, station), the chosen record's
// fields and steps beside it, the export of the listing as CSV, and charts
// of the period (passed and failed units per hour, the most frequent
// failure texts).
//
// The page reads the station's records file (RECORDS_FILE of section
// "RECORDS", else the data folder's records.sqlite3) and never makes one:
// without a file it says that no unit was recorded yet. The first rows are
// read just after the page shows, the rest a page at a time as the table
// scrolls; the charts are built and counted when their tab is shown.
//
// UI thread only; the store is the page's own connection to the file (an
// export opens one of its own on its thread).
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "records/csv_export_job.h"
#include "records/record_store.h"
#include "ui/shell/view_base.h"

class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTableWidget;
class QTabWidget;

namespace zt::ui {

class RecordsChart;
class RecordsTableModel;

class CViewRecords : public CViewBase {
  Q_OBJECT

 public:
  CViewRecords(IFrameContext& frame, QWidget* parent);
  ~CViewRecords() override;

  int ViewId() const override { return kViewRecords; }
  // Opens the records file and lists the last 24 hours.
  void InitialUpdate() override;
  // The frame's "导出(&O)": the CSV export.
  void ExportCommand() override { ExportCsv(); }

  // Lists anew with the filter the controls show.
  void ApplyFilter();
  // The period back to the last 24 hours, listed anew.
  void LastDay();
  // Asks for a file and writes the listing's records into it as CSV, on a
  // thread of its own: the page stays usable, the button waits for the end.
  void ExportCsv();
  bool Exporting() const { return export_thread_.joinable(); }

  // The filter of the listing shown.
  const RecordFilter& Filter() const { return filter_; }
  RecordsTableModel* Model() const { return model_; }
  QTableView* Table() const { return table_; }
  // The charts, built when their tab is first shown (nullptr before).
  RecordsChart* Chart() const { return chart_; }
  QString DetailText() const;
  QTableWidget* Steps() const { return steps_; }
  QString StatusText() const;
  // The records file's trouble (UTF-8), empty when it opened.
  const std::string& StoreError() const { return store_error_; }

  // The export's file dialog; tests replace it ("" cancels).
  using FileChooser = std::function<QString(const QString& suggested)>;
  void SetFileChooser(FileChooser chooser) { choose_file_ = std::move(chooser); }

 private:
  void BuildControls();
  void OpenStore();
  RecordFilter FilterOfControls() const;
  void ShowRecord(int row);
  void RefreshChart();
  void RefreshStatus();
  void ExportFinished(const CsvExportOutcome& outcome, const std::string& target);

  QDateTimeEdit* since_ = nullptr;
  QDateTimeEdit* until_ = nullptr;
  QPushButton* last_day_ = nullptr;
  QComboBox* result_ = nullptr;
  QComboBox* station_ = nullptr;
  QLineEdit* imei_ = nullptr;
  QLineEdit* product_ = nullptr;
  QPushButton* apply_ = nullptr;
  QPushButton* export_ = nullptr;
  QLabel* status_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QTableView* table_ = nullptr;
  QPlainTextEdit* detail_ = nullptr;
  QTableWidget* steps_ = nullptr;
  QWidget* chart_tab_ = nullptr;
  RecordsChart* chart_ = nullptr;
  RecordsTableModel* model_ = nullptr;

  std::unique_ptr<IRecordStore> store_;
  std::string store_path_;
  std::string store_error_;
  std::thread export_thread_;
  RecordFilter filter_;
  bool chart_stale_ = true;
  FileChooser choose_file_;
};

}  // namespace zt::ui
