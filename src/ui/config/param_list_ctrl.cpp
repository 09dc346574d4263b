#include "ui/config/param_list_ctrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/config/check_toggle_selection.h"
#include "ui/config/custom_param_dlg.h"
#include "ui/config/list_editors.h"

namespace zt::ui {

using namespace zt::literals;

namespace {

const QColor kValueColour(10, 10, 255);
const QColor kCellBackground(255, 255, 255);

// A narrower value column leaves no room for an editor.
constexpr int kMinEditorColumnWidth = 5;

QTableWidgetItem* NewItem(const std::string& gbk, const QColor& colour) {
  auto* item = new QTableWidgetItem(Qs(gbk));
  item->setFlags(Qt::ItemIsEnabled);
  item->setForeground(colour);
  item->setBackground(kCellBackground);
  return item;
}

}  // namespace

CParamListCtrl::CParamListCtrl(SharedCatalogue& catalogue, IMessageBox& messages, QWidget* parent)
    : QTableWidget(parent), catalogue_(catalogue), messages_(messages) {
  setObjectName("paramList");
  setColumnCount(3);
  setHorizontalHeaderLabels(
      {Qs("参数名称(列全选)"_gbk), Qs("参数值"_gbk), Qs("参数说明"_gbk)});
  for (int c = 0; c < 3; ++c) {
    horizontalHeaderItem(c)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }
  setColumnWidth(kNameColumn, 155);
  setColumnWidth(kValueColumn, 120);
  setColumnWidth(kTipColumn, 600);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setHighlightSections(false);
  verticalHeader()->setVisible(false);
  // Compact report rows: one line of text and a check box.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
  setShowGrid(true);
  setWordWrap(false);
  // Cells are always drawn on white; the list keeps no row selection of its
  // own (the check boxes are the selection). Its selection model selects
  // nothing and turns the accessibility "Toggle" of a check cell into a
  // tick; the selection mode only lets that request reach it.
  setSelectionMode(QAbstractItemView::MultiSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  auto* toggles = new CheckToggleSelectionModel(model(), kNameColumn, this);
  QItemSelectionModel* replaced = selectionModel();
  setSelectionModel(toggles);
  delete replaced;
  connect(toggles, &CheckToggleSelectionModel::ToggleRequested, this, &CParamListCtrl::ToggleRow);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  QPalette p = palette();
  p.setColor(QPalette::Base, kCellBackground);
  setPalette(p);

  run_custom_dialog_ = [this](const std::optional<ParamDef>& length_member,
                              const std::optional<ParamDef>& value_member)
      -> std::optional<CustomPairOutcome> {
    CCustomParamDlg dialog(length_member, value_member, messages_, this);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.outcome();
  };

  connect(this, &QTableWidget::itemChanged, this, &CParamListCtrl::OnItemChanged);
  connect(this, &QTableWidget::currentCellChanged, this, &CParamListCtrl::OnCurrentCellChanged);
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
          &CParamListCtrl::OnHeaderClicked);
  // Scrolling first takes the focus to the list, which ends an open edit box;
  // the position the operator scrolled to is kept across refills.
  for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()}) {
    connect(bar, &QAbstractSlider::actionTriggered, this, [this](int) { setFocus(); });
    connect(bar, &QAbstractSlider::valueChanged, this, [this](int) { RememberScrollPosition(); });
  }
}

CParamListCtrl::~CParamListCtrl() {
  if (editor_) disconnect(editor_, nullptr, this, nullptr);
}

void CParamListCtrl::ShowGroup(int group) {
  if (editor_) DropEditor();
  if (group < 0) {
    filling_ = true;
    setRowCount(0);
    row_slots_.clear();
    filling_ = false;
    return;
  }
  const std::vector<ParamRow> rows = catalogue_.Write([group](CParamCatalogue& c) {
    c.current_group = group;
    return ListRows(c, group);
  });

  filling_ = true;
  std::vector<int> row_slot_list;
  row_slot_list.reserve(rows.size());
  for (const ParamRow& row : rows) row_slot_list.push_back(row.slot);
  const bool same_rows = group == current_group_ && row_slot_list == row_slots_ &&
                         rowCount() == static_cast<int>(rows.size());
  current_group_ = group;
  if (!same_rows) {
    // A new set of rows. The same rows are updated in place, so that a refill
    // in the middle of a click leaves the click's cell in place.
    setRowCount(0);
    setRowCount(static_cast<int>(rows.size()));
  }
  row_slots_ = std::move(row_slot_list);
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const ParamRow& row = rows[static_cast<std::size_t>(r)];
    QTableWidgetItem* name = same_rows ? item(r, kNameColumn) : nullptr;
    if (name == nullptr) {
      name = NewItem(row.name, Qt::black);
      if (row.checkable) name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
      setItem(r, kNameColumn, name);
      setItem(r, kValueColumn, NewItem(row.value, kValueColour));
      setItem(r, kTipColumn, NewItem(row.tip, Qt::black));
    } else {
      name->setText(Qs(row.name));
      item(r, kValueColumn)->setText(Qs(row.value));
      item(r, kTipColumn)->setText(Qs(row.tip));
    }
    if (row.checkable) name->setCheckState(row.checked ? Qt::Checked : Qt::Unchecked);
  }
  if (!same_rows && remembered_top_ >= 0) {
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(remembered_top_);
    horizontalScrollBar()->setValue(remembered_left_);
  }
  filling_ = false;
}

void CParamListCtrl::RedrawValues() {
  const int group = current_group_;
  const std::vector<int> row_slot_list = row_slots_;
  const std::vector<std::string> values = catalogue_.Read([&](const CParamCatalogue& c) {
    std::vector<std::string> out;
    out.reserve(row_slot_list.size());
    for (const int slot : row_slot_list) {
      const ParamDef* p = c.Param(group, slot);
      out.push_back(p != nullptr ? DisplayValue(*p) : std::string());
    }
    return out;
  });
  filling_ = true;
  for (int r = 0; r < static_cast<int>(values.size()) && r < rowCount(); ++r) {
    if (QTableWidgetItem* value = item(r, kValueColumn)) {
      value->setText(Qs(values[static_cast<std::size_t>(r)]));
    }
  }
  filling_ = false;
}

int CParamListCtrl::RowOfSlot(int slot) const {
  for (std::size_t r = 0; r < row_slots_.size(); ++r) {
    if (row_slots_[r] == slot) return static_cast<int>(r);
  }
  return -1;
}

int CParamListCtrl::SlotOfRow(int row) const {
  if (row < 0 || row >= static_cast<int>(row_slots_.size())) return -1;
  return row_slots_[static_cast<std::size_t>(row)];
}

void CParamListCtrl::SetRowChecked(int row, bool checked) {
  QTableWidgetItem* name = item(row, kNameColumn);
  if (name == nullptr || !(name->flags() & Qt::ItemIsUserCheckable)) return;
  const bool was_filling = filling_;
  filling_ = true;
  name->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  filling_ = was_filling;
}

void CParamListCtrl::OnItemChanged(QTableWidgetItem* changed) {
  if (filling_ || changed == nullptr || changed->column() != kNameColumn) return;
  if (!(changed->flags() & Qt::ItemIsUserCheckable)) return;
  const int row = changed->row();
  const int slot = SlotOfRow(row);
  if (slot < 0) return;
  const bool checked = changed->checkState() == Qt::Checked;
  const int group = current_group_;

  struct Applied {
    SelectionChange change;
    std::string name;
    std::string group_name;
  };
  const Applied applied = catalogue_.Write([&](CParamCatalogue& c) {
    Applied a;
    a.change = ApplySelection(c, group, slot, checked);
    if (const ParamDef* p = c.Param(group, slot)) a.name = p->name;
    if (const ParamGroup* g = c.Group(group)) a.group_name = g->name;
    return a;
  });

  switch (applied.change.outcome) {
    case SelectionChange::Outcome::kReadOnly:
      SetRowChecked(row, false);
      messages_.ShowMessage(ReadOnlyText(), applied.name, MessageIcon::kNone);
      break;
    case SelectionChange::Outcome::kMissingPartner:
      // A pair member without its partner is a catalogue fault; it is shown,
      // and the program goes on.
      messages_.ShowMessage(RelationCodeErrorText(),
                            RelationCodeErrorCaption(applied.group_name, applied.name),
                            MessageIcon::kNone);
      break;
    case SelectionChange::Outcome::kApplied:
      if (applied.change.partner >= 0) {
        const int partner_row = RowOfSlot(applied.change.partner);
        if (partner_row >= 0) SetRowChecked(partner_row, checked);
      }
      break;
  }
}

void CParamListCtrl::OnHeaderClicked(int section) {
  if (section == kNameColumn) ToggleAllRows();
}

void CParamListCtrl::ToggleAllRows() {
  std::vector<QTableWidgetItem*> boxes;
  bool all_ticked = true;
  for (int r = 0; r < rowCount(); ++r) {
    QTableWidgetItem* name = item(r, kNameColumn);
    if (name == nullptr || !(name->flags() & Qt::ItemIsUserCheckable)) continue;
    boxes.push_back(name);
    if (name->checkState() != Qt::Checked) all_ticked = false;
  }
  const Qt::CheckState target = all_ticked ? Qt::Unchecked : Qt::Checked;
  for (QTableWidgetItem* name : boxes) name->setCheckState(target);
}

void CParamListCtrl::OnCurrentCellChanged(int row, int, int previous_row, int) {
  if (row != previous_row) CommitCustomListEditor();
}

bool CParamListCtrl::HasCustomListEditor() const { return editor_ && editor_is_custom_list_; }

void CParamListCtrl::CommitCustomListEditor() {
  if (!HasCustomListEditor()) return;
  auto* combo = qobject_cast<CListComboBox*>(editor_.data());
  const std::string text = combo != nullptr ? Gbk(combo->currentText()) : std::string();
  const int group = editor_group_;
  const int slot = DropEditor();
  const bool changed = catalogue_.Read([&](const CParamCatalogue& c) {
    const ParamDef* p = c.Param(group, slot);
    return p != nullptr && p->value != text;
  });
  if (!changed) return;
  emit EditCommitted(slot, QByteArray::fromStdString(text));
  Refill();
}

void CParamListCtrl::mousePressEvent(QMouseEvent* e) {
  QTableWidget::mousePressEvent(e);
  if (e->button() != Qt::LeftButton) return;
  CommitCustomListEditor();
  const QModelIndex index = indexAt(e->position().toPoint());
  if (!index.isValid()) return;
  const int slot = SlotOfRow(index.row());
  if (slot < 0) return;
  if (!SlotSelected(slot) || index.column() != kValueColumn) return;
  OpenEditor(index.row(), slot);
}

bool CParamListCtrl::SlotSelected(int slot) const {
  const int group = current_group_;
  return catalogue_.Read([&](const CParamCatalogue& c) {
    const ParamDef* p = c.Param(group, slot);
    return p != nullptr && p->selected;
  });
}

void CParamListCtrl::keyPressEvent(QKeyEvent* e) {
  const int row = currentRow();
  const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (row >= 0 && plain) {
    switch (e->key()) {
      case Qt::Key_Space:
        ToggleRow(row);
        return;
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_F2:
        OpenRowEditor(row);
        return;
      default:
        break;
    }
  }
  QTableWidget::keyPressEvent(e);
}

QItemSelectionModel::SelectionFlags CParamListCtrl::selectionCommand(const QModelIndex&, const QEvent*) const {
  return QItemSelectionModel::NoUpdate;
}

void CParamListCtrl::ToggleRow(int row) {
  QTableWidgetItem* name = item(row, kNameColumn);
  if (name == nullptr || !(name->flags() & Qt::ItemIsUserCheckable)) return;
  CommitCustomListEditor();
  // The item may have been replaced by the commit's refill.
  name = item(row, kNameColumn);
  if (name == nullptr) return;
  name->setCheckState(name->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void CParamListCtrl::OpenRowEditor(int row) {
  CommitCustomListEditor();
  const int slot = SlotOfRow(row);
  if (slot < 0 || !SlotSelected(slot)) return;
  OpenEditor(row, slot);
  // A drop-down that takes free text does not take the focus on a click;
  // from the keyboard it must, and Enter or Esc in it commits.
  if (editor_ && editor_is_custom_list_) {
    auto* combo = qobject_cast<CListComboBox*>(editor_.data());
    combo->installEventFilter(this);
    if (combo->lineEdit() != nullptr) combo->lineEdit()->installEventFilter(this);
    combo->setFocus(Qt::TabFocusReason);
  }
}

bool CParamListCtrl::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && editor_ && editor_is_custom_list_) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
      CommitCustomListEditor();
      setFocus(Qt::OtherFocusReason);
      return true;
    }
  }
  return QTableWidget::eventFilter(watched, event);
}

void CParamListCtrl::OpenEditor(int row, int slot) {
  if (editor_) return;
  const int group = current_group_;
  const std::optional<ParamDef> p = catalogue_.Read(
      [&](const CParamCatalogue& c) -> std::optional<ParamDef> {
        const ParamDef* def = c.Param(group, slot);
        return def != nullptr ? std::optional<ParamDef>(*def) : std::nullopt;
      });
  if (!p) return;
  switch (EditorFor(*p)) {
    case EditorKind::kNone:
      return;
    case EditorKind::kEditBox:
      OpenEditBox(row, *p);
      break;
    case EditorKind::kDropDown:
      OpenDropDown(row, *p);
      break;
    case EditorKind::kCustomDialog:
      // Out of the click's own handling, so the modal dialog does not run
      // inside a mouse press.
      QMetaObject::invokeMethod(
          this, [this, group, slot] { if (current_group_ == group) RunCustomDialog(slot); },
          Qt::QueuedConnection);
      return;
  }
  if (editor_) {
    editor_slot_ = slot;
    editor_group_ = group;
  }
}

QRect CParamListCtrl::CellEditorRect(int row) const {
  const QRect cell = visualRect(model()->index(row, kValueColumn));
  const int right = qMin(cell.right(), viewport()->width() - 1);
  return QRect(QPoint(cell.left() + 1, cell.top()), QPoint(right, cell.bottom()));
}

void CParamListCtrl::OpenEditBox(int row, const ParamDef& p) {
  scrollToItem(item(row, kValueColumn));
  if (columnWidth(kValueColumn) < kMinEditorColumnWidth) return;
  auto* box = new CListEditBox(row, kValueColumn, viewport());
  box->SetFocusTarget(this);
  box->setFont(font());
  box->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  if (p.is_password) box->setEchoMode(QLineEdit::Password);
  // The stored value, not the cell: a password cell shows only stars.
  box->setText(Qs(p.value));
  box->setGeometry(CellEditorRect(row));
  box->SetMaxRight(viewport()->width());
  editor_ = box;
  editor_is_custom_list_ = false;
  connect(box, &CListEditBox::EditEnded, this, &CParamListCtrl::OnEditBoxEnded);
  box->show();
  box->setFocus(Qt::MouseFocusReason);
  box->selectAll();
}

void CParamListCtrl::OpenDropDown(int row, const ParamDef& p) {
  scrollToItem(item(row, kValueColumn));
  if (columnWidth(kValueColumn) < kMinEditorColumnWidth) return;
  const bool editable = p.is_list_custom;
  auto* combo = new CListComboBox(row, kValueColumn, editable, viewport());
  combo->setFont(font());
  for (const std::string& option : p.list_options) combo->addItem(Qs(option));
  combo->setCurrentIndex(FirstOptionStartingWith(p.list_options, p.value));
  // Free text starts as the stored value, so that only the operator's
  // change is committed.
  if (editable) combo->setEditText(Qs(p.value));
  QRect rect = CellEditorRect(row);
  rect.setHeight(qMax(rect.height(), combo->sizeHint().height()));
  combo->setGeometry(rect);
  editor_ = combo;
  editor_is_custom_list_ = editable;
  if (!editable) {
    connect(combo, &CListComboBox::EditEnded, this, &CParamListCtrl::OnFixedComboEnded);
  }
  combo->show();
  if (!editable) combo->setFocus(Qt::MouseFocusReason);
}

int CParamListCtrl::DropEditor() {
  const int slot = editor_slot_;
  QWidget* editor = editor_.data();
  editor_ = nullptr;
  editor_slot_ = -1;
  editor_group_ = -1;
  editor_is_custom_list_ = false;
  if (editor != nullptr) {
    disconnect(editor, nullptr, this, nullptr);
    if (editor->hasFocus()) setFocus(Qt::OtherFocusReason);
    editor->hide();
    editor->deleteLater();
  }
  return slot;
}

void CParamListCtrl::OnEditBoxEnded(const QString& text, bool /*escaped*/) {
  // Esc ends the edit like Enter does: the text is examined all the same,
  // and the refill below shows the stored value either way.
  const int slot = DropEditor();
  if (slot < 0) return;
  emit EditCommitted(slot, QByteArray::fromStdString(Gbk(text)));
  Refill();
}

void CParamListCtrl::OnFixedComboEnded(const QString& text, bool chosen) {
  const int slot = DropEditor();
  if (slot < 0) return;
  // Without a selection there is nothing to store: committing the empty text
  // would wipe a value that matches no option (a wire value from a query).
  if (chosen) emit EditCommitted(slot, QByteArray::fromStdString(Gbk(text)));
  Refill();
}

void CParamListCtrl::RunCustomDialog(int slot) {
  const int group = current_group_;
  struct Members {
    std::optional<ParamDef> length;
    std::optional<ParamDef> value;
  };
  const Members members = catalogue_.Read([&](const CParamCatalogue& c) {
    Members m;
    const CustomPair pair = FindCustomPair(c, group, slot);
    if (const ParamDef* p = c.Param(group, pair.length_index)) m.length = *p;
    if (const ParamDef* p = c.Param(group, pair.value_index)) m.value = *p;
    return m;
  });
  const std::optional<CustomPairOutcome> outcome = run_custom_dialog_(members.length, members.value);
  if (!outcome || current_group_ != group) return;
  emit CustomPairConfirmed(slot, *outcome);
  Refill();
}

void CParamListCtrl::RememberScrollPosition() {
  if (filling_) return;
  remembered_top_ = verticalScrollBar()->value();
  remembered_left_ = horizontalScrollBar()->value();
}

}  // namespace zt::ui
