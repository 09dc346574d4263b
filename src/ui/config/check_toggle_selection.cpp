#include "ui/config/check_toggle_selection.h"

namespace zt::ui {

CheckToggleSelectionModel::CheckToggleSelectionModel(QAbstractItemModel* model, int check_column,
                                                     QObject* parent)
    : QItemSelectionModel(model, parent), check_column_(check_column) {}

void CheckToggleSelectionModel::select(const QModelIndex& index,
                                       QItemSelectionModel::SelectionFlags command) {
  constexpr QItemSelectionModel::SelectionFlags kChange =
      QItemSelectionModel::Select | QItemSelectionModel::Deselect | QItemSelectionModel::Toggle;
  if (!index.isValid() || index.column() != check_column_ || (command & kChange) == 0) return;
  if (!(index.flags() & Qt::ItemIsUserCheckable)) return;
  emit ToggleRequested(index.row());
}

void CheckToggleSelectionModel::select(const QItemSelection& /*selection*/,
                                       QItemSelectionModel::SelectionFlags /*command*/) {}

}  // namespace zt::ui
