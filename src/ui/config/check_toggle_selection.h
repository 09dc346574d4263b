// The parameter list's selection model. The list keeps no selection of its
// own (the check boxes are the selection), yet the accessibility interface
// ticks a row only through the selection: a check cell's "Toggle" action
// asks the view's selection model to select that one cell. This model
// selects nothing; such a request on a cell of `check_column` becomes
// ToggleRequested, and the list ticks or unticks the row as a click on its
// box does.
//
// Selection requests of whole ranges (the view's own, select-all) are
// dropped; the list's selectionCommand answers NoUpdate for clicks and keys.
//
// UI thread only.
#pragma once

#include <QItemSelectionModel>

namespace zt::ui {

class CheckToggleSelectionModel : public QItemSelectionModel {
  Q_OBJECT

 public:
  CheckToggleSelectionModel(QAbstractItemModel* model, int check_column, QObject* parent);

  void select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override;
  void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override;

 signals:
  void ToggleRequested(int row);

 private:
  int check_column_;
};

}  // namespace zt::ui
