// CLogListBox: the run log. Lines are kept as the exact GBK bytes their
// sender passed (a trailing "\r\n" stays part of the line) and shown
// converted. The list is never trimmed; only "清空" empties it.
//
// Its own right-click menu offers "复制所有行" (every line followed by CR LF,
// as UTF-8 text on the clipboard) and "清空".
//
// Threads: UI thread only. Other threads reach it through the frame.
#pragma once

#include <QListWidget>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QMenu;

namespace zt::ui {

class CLogListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit CLogListBox(QWidget* parent = nullptr);
  ~CLogListBox() override;

  // Appends one line, scrolls to the end and selects it.
  void AddLine(std::string_view gbk);

  // The lines as they were added (GBK).
  const std::vector<std::string>& Lines() const { return lines_; }

  // Every line followed by "\r\n", GBK: what "复制所有行" copies.
  std::string AllLinesText() const;

  // "复制所有行": AllLinesText converted, on the clipboard.
  void CopyAllLines();
  // "清空".
  void ClearLines();

  QMenu* ContextMenu() const { return menu_; }

  // How a line is shown: converted, its line-end characters not drawn.
  static QString DisplayText(std::string_view gbk);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  std::vector<std::string> lines_;
  QMenu* menu_ = nullptr;
};

}  // namespace zt::ui
