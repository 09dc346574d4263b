#include "ui/bars/log_list_box.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>

#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

constexpr int kFontPixels = 12;
constexpr std::string_view kLineEnd = "\r\n";

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

CLogListBox::CLogListBox(QWidget* parent) : QListWidget(parent) {
  setObjectName(QStringLiteral("run_log"));
  setFont(CjkFont(kFontPixels, 400));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setUniformItemSizes(true);  // a day's log stays cheap to lay out
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Sunken);

  menu_ = new QMenu(this);
  menu_->setObjectName(QStringLiteral("run_log_menu"));
  QAction* copy = menu_->addAction(Qs("复制所有行"_gbk));
  copy->setObjectName(QStringLiteral("run_log_copy_all"));
  connect(copy, &QAction::triggered, this, [this] { CopyAllLines(); });
  QAction* clear = menu_->addAction(Qs("清空"_gbk));
  clear->setObjectName(QStringLiteral("run_log_clear"));
  connect(clear, &QAction::triggered, this, [this] { ClearLines(); });
}

CLogListBox::~CLogListBox() = default;

QString CLogListBox::DisplayText(std::string_view gbk) {
  // Line ends belong to the line but are not drawn: trailing ones are left
  // out, an inner run becomes one blank.
  while (!gbk.empty() && IsLineEnd(gbk.back())) gbk.remove_suffix(1);
  std::string shown;
  shown.reserve(gbk.size());
  bool in_break = false;
  for (const char c : gbk) {
    if (IsLineEnd(c)) {
      if (!in_break) shown.push_back(' ');
      in_break = true;
      continue;
    }
    in_break = false;
    shown.push_back(c);
  }
  return QsEscaped(shown);
}

void CLogListBox::AddLine(std::string_view gbk) {
  lines_.emplace_back(gbk);
  addItem(DisplayText(gbk));
  const int last = count() - 1;
  scrollToBottom();
  setCurrentRow(last);
}

std::string CLogListBox::AllLinesText() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += kLineEnd;
  }
  return text;
}

void CLogListBox::CopyAllLines() {
  QClipboard* clipboard = QApplication::clipboard();
  if (clipboard == nullptr) return;  // no clipboard: the copy is skipped silently
  clipboard->setText(QsEscaped(AllLinesText()));
}

void CLogListBox::ClearLines() {
  lines_.clear();
  clear();
}

void CLogListBox::contextMenuEvent(QContextMenuEvent* event) {
  menu_->exec(event->globalPos());
  event->accept();
}

}  // namespace zt::ui
