// The in-place editors the parameter list opens over a value cell: an edit
// box and a drop-down (fixed or editable). They only collect a text; the list
// decides what happens to it (the view examines it with ValidateEdit).
//
// Both live in the list's viewport and are destroyed by the list when the
// edit ends. UI thread only.
#pragma once

#include <QComboBox>
#include <QLineEdit>

namespace zt::ui {

// The edit box. Enter and Esc hand the focus back to the list; losing the
// focus ends the edit with the box's text, also after Esc (the list then
// redraws the cell from the catalogue whatever happened).
class CListEditBox : public QLineEdit {
  Q_OBJECT

 public:
  CListEditBox(int row, int column, QWidget* parent);

  int row() const { return row_; }
  int column() const { return column_; }
  bool escaped() const { return escaped_; }

  // Widest the box may grow to while the operator types (the list's right edge).
  void SetMaxRight(int x) { max_right_ = x; }
  // Where Enter and Esc send the focus (the list).
  void SetFocusTarget(QWidget* target) { focus_target_ = target; }

 signals:
  void EditEnded(const QString& text, bool escaped);

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  void End();

  int row_;
  int column_;
  int max_right_ = 0;
  QWidget* focus_target_ = nullptr;
  bool escaped_ = false;
  bool ended_ = false;
};

// The drop-down. A fixed one ends the edit when an option is picked or when
// it loses the focus; an editable one (free text besides the options) is
// ended by the list, never by a focus change.
class CListComboBox : public QComboBox {
  Q_OBJECT

 public:
  CListComboBox(int row, int column, bool editable, QWidget* parent);

  int row() const { return row_; }
  int column() const { return column_; }

 signals:
  // A fixed drop-down ended; `chosen` is false when no option is selected.
  void EditEnded(const QString& text, bool chosen);

 protected:
  bool event(QEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  void End();

  int row_;
  int column_;
  bool ended_ = false;
};

}  // namespace zt::ui
