#include "ui/config/list_editors.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace zt::ui {

namespace {

// Keys the editors keep for themselves, whatever shortcuts the window has.
bool EditorOwnsKey(const QKeyEvent& key) {
  switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Delete:
      return true;
    default:
      return (key.modifiers() & Qt::ControlModifier) != 0;
  }
}

// A context menu or the drop-down's own list taking the focus is no end of
// the edit.
bool EndsEdit(const QFocusEvent& e) { return e.reason() != Qt::PopupFocusReason; }

}  // namespace

CListEditBox::CListEditBox(int row, int column, QWidget* parent)
    : QLineEdit(parent), row_(row), column_(column) {
  setObjectName("listEditBox");
  setFrame(true);
}

bool CListEditBox::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride && EditorOwnsKey(*static_cast<QKeyEvent*>(e))) {
    e->accept();
    return true;
  }
  return QLineEdit::event(e);
}

void CListEditBox::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Escape:
      escaped_ = true;
      [[fallthrough]];
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // Handing the focus back ends the edit (focusOutEvent).
      if (focus_target_ != nullptr) focus_target_->setFocus(Qt::OtherFocusReason);
      if (hasFocus()) End();  // nothing took the focus: end here
      return;
    default:
      break;
  }
  if (!e->text().isEmpty()) {
    // Room for what is typed: grow to the text's width, up to the list's edge.
    const int text_width = fontMetrics().horizontalAdvance(text());
    if (text_width > width() - 5) {
      int wanted = text_width + 5;
      if (max_right_ > x()) wanted = qMin(wanted, max_right_ - x());
      if (wanted > width()) resize(wanted, height());
    }
  }
  QLineEdit::keyPressEvent(e);
}

void CListEditBox::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  if (EndsEdit(*e)) End();
}

void CListEditBox::End() {
  if (ended_) return;
  ended_ = true;
  emit EditEnded(text(), escaped_);
}

CListComboBox::CListComboBox(int row, int column, bool editable, QWidget* parent)
    : QComboBox(parent), row_(row), column_(column) {
  setObjectName(editable ? "listEditableCombo" : "listCombo");
  setEditable(editable);
  setInsertPolicy(QComboBox::NoInsert);
  if (!editable) {
    connect(this, &QComboBox::activated, this, [this](int) { End(); });
  }
}

bool CListComboBox::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
        key->key() == Qt::Key_Escape) {
      e->accept();
      return true;
    }
  }
  return QComboBox::event(e);
}

void CListComboBox::focusOutEvent(QFocusEvent* e) {
  QComboBox::focusOutEvent(e);
  if (!isEditable() && EndsEdit(*e)) End();
}

void CListComboBox::End() {
  if (ended_) return;
  ended_ = true;
  emit EditEnded(currentText(), currentIndex() >= 0);
}

}  // namespace zt::ui
