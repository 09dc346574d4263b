#include "ui/terminal/sequence_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "terminal/terminal_texts.h"
#include "text/gbk_literal.h"
#include "text/numbers.h"
#include "ui/common/qt_text.h"
#include "ui/shell/qt_message_box.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

enum Column { kKindColumn = 0, kTextColumn, kTimeColumn };

// The kinds in the order of StepKind.
constexpr std::string_view kKindLabels[] = {"发送"_gbk, "发送+换行"_gbk, "发送HEX"_gbk, "等待"_gbk, "暂停"_gbk};
constexpr int kDefaultWaitMs = 1000;
constexpr std::string_view kFileFilter = "命令序列(*.ini)"_gbk;

QString DefaultChooser(QWidget* parent, bool save) {
  const QString filter = Qs(kFileFilter);
  return save ? QFileDialog::getSaveFileName(parent, QString(), QString(), filter)
              : QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

QPushButton* Button(QWidget* parent, std::string_view gbk, const char* name) {
  auto* button = new QPushButton(Qs(gbk), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

SequenceDialog::SequenceDialog(const CommandSequence& sequence, std::string path, QWidget* parent)
    : QDialog(parent), path_(std::move(path)), choose_file_(&DefaultChooser) {
  setObjectName(QStringLiteral("sequence_dialog"));
  setWindowTitle(Qs("命令序列"_gbk));
  auto* page = new QVBoxLayout(this);
  table_ = new QTableWidget(0, 3, this);
  table_->setObjectName(QStringLiteral("sequence_table"));
  table_->setHorizontalHeaderLabels({Qs("类型"_gbk), Qs("内容"_gbk), Qs("时间(ms)"_gbk)});
  table_->horizontalHeader()->setSectionResizeMode(kTextColumn, QHeaderView::Stretch);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  page->addWidget(table_, 1);

  auto* buttons = new QHBoxLayout;
  QPushButton* add = Button(this, "添加"_gbk, "add_step_button");
  QPushButton* remove = Button(this, "删除"_gbk, "remove_step_button");
  QPushButton* up = Button(this, "上移"_gbk, "step_up_button");
  QPushButton* down = Button(this, "下移"_gbk, "step_down_button");
  QPushButton* open = Button(this, "打开..."_gbk, "open_sequence_button");
  QPushButton* save_as = Button(this, "另存为..."_gbk, "save_sequence_as_button");
  for (QPushButton* b : {add, remove, up, down, open, save_as}) buttons->addWidget(b);
  buttons->addStretch(1);
  page->addLayout(buttons);

  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  box->button(QDialogButtonBox::Ok)->setText(Qs("确定"_gbk));
  box->button(QDialogButtonBox::Cancel)->setText(Qs("取消"_gbk));
  page->addWidget(box);

  connect(add, &QPushButton::clicked, this, [this] { AddStep(SequenceStep{StepKind::kSendLine, {}, 0}); });
  connect(remove, &QPushButton::clicked, this, &SequenceDialog::RemoveStep);
  connect(up, &QPushButton::clicked, this, [this] { MoveStep(-1); });
  connect(down, &QPushButton::clicked, this, [this] { MoveStep(1); });
  connect(open, &QPushButton::clicked, this, &SequenceDialog::OpenFile);
  connect(save_as, &QPushButton::clicked, this, &SequenceDialog::SaveFileAs);
  connect(box, &QDialogButtonBox::accepted, this, &SequenceDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &SequenceDialog::reject);
  SetSequence(sequence);
  resize(560, 360);
}

void SequenceDialog::SetRow(int row, const SequenceStep& step) {
  auto* kind = new QComboBox(table_);
  for (const std::string_view label : kKindLabels) kind->addItem(Qs(label));
  kind->setCurrentIndex(static_cast<int>(step.kind));
  table_->setCellWidget(row, kKindColumn, kind);
  table_->setItem(row, kTextColumn, new QTableWidgetItem(Qs(step.text)));
  table_->setItem(row, kTimeColumn, new QTableWidgetItem(QString::number(step.ms)));
}

SequenceStep SequenceDialog::RowStep(int row) const {
  SequenceStep step;
  const auto* kind = qobject_cast<QComboBox*>(table_->cellWidget(row, kKindColumn));
  step.kind = static_cast<StepKind>(std::clamp(kind != nullptr ? kind->currentIndex() : 0, 0, 4));
  const QTableWidgetItem* text = table_->item(row, kTextColumn);
  step.text = text != nullptr ? Gbk(text->text()) : std::string();
  const QTableWidgetItem* time = table_->item(row, kTimeColumn);
  // A time that is not a number counts as 0 and is refused when out of range.
  step.ms = time != nullptr ? Atoi(Gbk(time->text().trimmed())) : 0;
  return step;
}

CommandSequence SequenceDialog::Sequence() const {
  CommandSequence sequence;
  for (int row = 0; row < table_->rowCount(); ++row) sequence.steps.push_back(RowStep(row));
  return sequence;
}

void SequenceDialog::SetSequence(const CommandSequence& sequence) {
  table_->setRowCount(0);
  for (const SequenceStep& step : sequence.steps) AddStep(step);
}

void SequenceDialog::AddStep(const SequenceStep& step) {
  SequenceStep added = step;
  if (added.kind == StepKind::kWaitText && added.ms == 0) added.ms = kDefaultWaitMs;
  const int row = table_->rowCount();
  table_->insertRow(row);
  SetRow(row, added);
  table_->selectRow(row);
}

void SequenceDialog::RemoveStep() {
  const int row = table_->currentRow();
  if (row >= 0) table_->removeRow(row);
}

void SequenceDialog::MoveStep(int delta) {
  const int row = table_->currentRow();
  const int other = row + delta;
  if (row < 0 || other < 0 || other >= table_->rowCount()) return;
  const SequenceStep here = RowStep(row);
  SetRow(row, RowStep(other));
  SetRow(other, here);
  table_->selectRow(other);
}

void SequenceDialog::OpenFile() {
  const QString chosen = choose_file_ ? choose_file_(this, false) : QString();
  if (chosen.isEmpty()) return;
  const std::optional<CommandSequence> loaded = LoadSequence(NativePath(chosen));
  if (!loaded) {
    ShowMessageBox(this, terminal_texts::kSequenceFileUnreadable, terminal_texts::kNoticeCaption,
                   MessageIcon::kError);
    return;
  }
  SetSequence(*loaded);
  path_ = NativePath(chosen);
}

void SequenceDialog::SaveFileAs() {
  const QString chosen = choose_file_ ? choose_file_(this, true) : QString();
  if (chosen.isEmpty()) return;
  if (!SaveSequence(NativePath(chosen), Sequence())) {
    ShowMessageBox(this, terminal_texts::kSequenceFileUnwritable, terminal_texts::kNoticeCaption,
                   MessageIcon::kError);
    return;
  }
  path_ = NativePath(chosen);
}

void SequenceDialog::accept() {
  const CommandSequence sequence = Sequence();
  if (!sequence.steps.empty()) {
    const std::string refusal = CheckSequence(sequence);
    if (!refusal.empty()) {
      ShowMessageBox(this, refusal, terminal_texts::kInputErrorCaption, MessageIcon::kExclamation);
      return;
    }
  }
  if (!SaveSequence(path_, sequence)) {
    ShowMessageBox(this, terminal_texts::kSequenceFileUnwritable, terminal_texts::kNoticeCaption,
                   MessageIcon::kError);
    return;
  }
  QDialog::accept();
}

}  // namespace zt::ui
