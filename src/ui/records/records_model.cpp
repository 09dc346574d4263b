#include "ui/records/records_model.h"

#include <QBrush>
#include <QColor>

#include "records/record_stats.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/records/records_text.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

// Light enough to read the text on, plain enough to see down a long column.
const QColor kPassedColour(0xc8, 0xe6, 0xc9);
const QColor kFailedColour(0xff, 0xcd, 0xd2);

}  // namespace

RecordsTableModel::RecordsTableModel(QObject* parent) : QAbstractTableModel(parent) {}

RecordsTableModel::~RecordsTableModel() = default;

void RecordsTableModel::SetSource(IRecordStore* store, const RecordFilter& filter) {
  beginResetModel();
  rows_.clear();
  error_.clear();
  store_ = store;
  pager_ = store != nullptr ? std::make_unique<RecordPager>(*store, filter, kPageSize) : nullptr;
  endResetModel();
  if (canFetchMore({})) fetchMore({});
}

int RecordsTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RecordsTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant RecordsTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return row.cells[static_cast<std::size_t>(index.column())];
    case Qt::BackgroundRole:
      if (index.column() != kResult) return {};
      if (row.result == RecordResult::kPassed) return QBrush(kPassedColour);
      if (row.result == RecordResult::kFailed) return QBrush(kFailedColour);
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == kDuration) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    default:
      return {};
  }
}

QVariant RecordsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  switch (section) {
    case kTime:
      return Qs("时间"_gbk);
    case kStation:
      return Qs("工位"_gbk);
    case kPort:
      return Qs("串口"_gbk);
    case kProduct:
      return Qs("产品号"_gbk);
    case kImei:
      return QStringLiteral("IMEI");
    case kResult:
      return Qs("结果"_gbk);
    case kFailure:
      return Qs("失败原因"_gbk);
    case kDuration:
      return Qs("用时"_gbk);
    default:
      return {};
  }
}

bool RecordsTableModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && pager_ != nullptr && !pager_->AtEnd() && error_.empty();
}

void RecordsTableModel::fetchMore(const QModelIndex& parent) {
  if (!canFetchMore(parent)) return;
  std::optional<std::vector<UnitRecord>> page = pager_->Next();
  if (!page) {
    // Not asked again on every scroll: the page shows the text once.
    error_ = store_->LastError();
    if (error_.empty()) error_ = "the records could not be read";
    emit readFailed(RecordText(error_));
    return;
  }
  if (page->empty()) return;
  const int first = rowCount();
  beginInsertRows({}, first, first + static_cast<int>(page->size()) - 1);
  rows_.reserve(rows_.size() + page->size());
  for (const UnitRecord& record : *page) rows_.push_back(RowOf(record));
  endInsertRows();
}

RecordsTableModel::Row RecordsTableModel::RowOf(const UnitRecord& r) {
  Row row;
  row.uuid = r.uuid;
  row.result = r.result;
  auto cell = [&](Column c) -> QString& { return row.cells[static_cast<std::size_t>(c)]; };
  cell(kTime) = LocalTimeText(r.started);
  cell(kStation) = RecordText(r.station);
  cell(kPort) = RecordText(r.port);
  cell(kProduct) = RecordText(r.product_written.empty() ? r.product_read : r.product_written);
  cell(kImei) = RecordText(r.imei_written.empty() ? r.imei_read : r.imei_written);
  cell(kResult) = ResultText(r.result);
  if (r.result == RecordResult::kFailed) cell(kFailure) = RecordText(FailureKey(r));
  cell(kDuration) = DurationText(r.started, r.ended);
  return row;
}

}  // namespace zt::ui
