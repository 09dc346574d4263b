// The records page's table: the records a filter takes, newest first, read
// a page at a time as the table scrolls (Qt asks canFetchMore / fetchMore),
// so that a period of a hundred thousand units opens as fast as one of ten.
// A row keeps only what it shows and the record's UUID; the detail pane
// reads the whole record when it is chosen.
//
// UI thread only.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "records/record_pager.h"
#include "records/record_store.h"

namespace zt::ui {

class RecordsTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kTime, kStation, kPort, kProduct, kImei, kResult, kFailure, kDuration, kColumnCount };
  static constexpr std::size_t kPageSize = 250;

  explicit RecordsTableModel(QObject* parent);
  ~RecordsTableModel() override;

  // Lists anew what `filter` takes from `store` (nullptr: nothing) and reads
  // the first page. The store outlives the model's use of it.
  void SetSource(IRecordStore* store, const RecordFilter& filter);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  const std::string& UuidAt(int row) const { return rows_.at(static_cast<std::size_t>(row)).uuid; }
  RecordResult ResultAt(int row) const { return rows_.at(static_cast<std::size_t>(row)).result; }
  // The store's text (UTF-8) of a page that could not be read; no more
  // pages are asked for until the next SetSource.
  const std::string& Error() const { return error_; }

 signals:
  void readFailed(const QString& text);

 private:
  struct Row {
    std::string uuid;
    RecordResult result = RecordResult::kStopped;
    std::array<QString, kColumnCount> cells;
  };
  static Row RowOf(const UnitRecord& record);

  std::vector<Row> rows_;
  IRecordStore* store_ = nullptr;
  std::unique_ptr<RecordPager> pager_;
  std::string error_;
};

}  // namespace zt::ui
