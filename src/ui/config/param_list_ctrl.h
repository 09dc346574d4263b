// The editable parameter list of the configuration view: one row per
// parameter of the group shown, with three columns (name, value, tip), a
// check box that selects the parameter for setting and editing, and in-place
// editors over the value cell of a ticked row.
//
// The list writes the `selected` marks itself; values never: every editor
// hands its text to the view (EditCommitted / CustomPairConfirmed), which
// examines it, and the list then refills the group from the catalogue, so a
// cell always ends up showing the stored value.
//
// Rows and parameter slots are kept apart by a row-to-slot map, so the hidden
// channel-mode parameter ("OPPRM") may lie anywhere in its group.
//
// UI thread only. Catalogue reads and writes go through SharedCatalogue;
// message boxes are shown only after the lock is left.
#pragma once

#include <QByteArray>
#include <QPointer>
#include <QTableWidget>
#include <functional>
#include <optional>
#include <vector>

#include "common/message_box.h"
#include "params/param_view_model.h"
#include "params/shared_catalogue.h"
#include "params/validate_edit.h"

namespace zt::ui {

class CListComboBox;
class CListEditBox;

class CParamListCtrl : public QTableWidget {
  Q_OBJECT

 public:
  enum Column { kNameColumn = 0, kValueColumn = 1, kTipColumn = 2 };

  CParamListCtrl(SharedCatalogue& catalogue, IMessageBox& messages, QWidget* parent);
  ~CParamListCtrl() override;

  // Fills the list with the parameters of `group` and makes it the current
  // group (here and in the catalogue), even when it is empty. A negative group
  // empties the list. The remembered scroll position is restored.
  void ShowGroup(int group);
  // Refills the current group.
  void Refill() { ShowGroup(current_group_); }
  // Rewrites the value column of the current group only.
  void RedrawValues();
  int CurrentGroup() const { return current_group_; }

  // The column-0 header click: unticks every row when all rows with a check
  // box are ticked, ticks them all otherwise, each through the check-box rules.
  void ToggleAllRows();

  // Ends an open editable drop-down: commits its text when it differs from the
  // stored value, then closes it. Nothing when no such editor is open.
  void CommitCustomListEditor();
  bool HasCustomListEditor() const;

  // The row of a parameter slot (-1 when it has none) and the slot of a row.
  int RowOfSlot(int slot) const;
  int SlotOfRow(int row) const;

  // The open in-place editor (edit box or drop-down), or nullptr.
  QWidget* Editor() const { return editor_; }

  // Ticks or unticks a row through the check-box rules, as a click on its
  // box does (Space, the accessibility "Toggle" action).
  void ToggleRow(int row);
  // Opens the editor of a ticked row, as a click on its value cell does, and
  // gives it the focus (Enter, F2). Nothing for a row without a tick.
  void OpenRowEditor(int row);

  // Runs the custom-pair dialog; returns the outcome after OK. Replaceable
  // for tests; the default shows CCustomParamDlg modally.
  using CustomDialogRunner = std::function<std::optional<CustomPairOutcome>(
      const std::optional<ParamDef>& length_member, const std::optional<ParamDef>& value_member)>;
  void SetCustomDialogRunner(CustomDialogRunner runner) { run_custom_dialog_ = std::move(runner); }

 signals:
  // An editor ended with `gbk` for parameter `slot` of the current group.
  void EditCommitted(int slot, const QByteArray& gbk);
  // The custom-pair dialog was confirmed for the clicked parameter `slot`.
  void CustomPairConfirmed(int slot, const zt::CustomPairOutcome& outcome);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  // Without a mouse: arrows move through the list, Space ticks the current
  // row, Enter or F2 opens its editor.
  void keyPressEvent(QKeyEvent* e) override;
  // Clicks and keys never select: the check boxes are the selection.
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnItemChanged(QTableWidgetItem* item);
  void OnHeaderClicked(int section);
  void OnCurrentCellChanged(int row, int column, int previous_row, int previous_column);
  void OnEditBoxEnded(const QString& text, bool escaped);
  void OnFixedComboEnded(const QString& text, bool chosen);

  void SetRowChecked(int row, bool checked);  // without running the check-box rules
  void OpenEditor(int row, int slot);
  bool SlotSelected(int slot) const;
  void OpenEditBox(int row, const ParamDef& p);
  void OpenDropDown(int row, const ParamDef& p);
  void RunCustomDialog(int slot);
  QRect CellEditorRect(int row) const;
  // Forgets the editor and schedules its deletion; returns its parameter slot.
  int DropEditor();
  void RememberScrollPosition();

  SharedCatalogue& catalogue_;
  IMessageBox& messages_;
  CustomDialogRunner run_custom_dialog_;

  int current_group_ = -1;
  std::vector<int> row_slots_;      // row -> parameter slot
  bool filling_ = false;            // check-state changes made by the list itself

  QPointer<QWidget> editor_;
  int editor_slot_ = -1;
  int editor_group_ = -1;
  bool editor_is_custom_list_ = false;

  int remembered_top_ = -1;         // vertical scroll value; -1 until the operator scrolls
  int remembered_left_ = 0;         // horizontal scroll value
};

}  // namespace zt::ui
