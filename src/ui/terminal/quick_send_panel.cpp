#include "ui/terminal/quick_send_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "text/gbk_literal.h"
#include "text/numbers.h"
#include "ui/common/qt_text.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

constexpr int kRowEditWidth = 170;
constexpr int kRowButtonWidth = 30;

}  // namespace

QuickSendPanel::QuickSendPanel(CSerialPort& port, std::string file_path, QWidget* parent,
                               QuickSendSender::SentNote note)
    : QWidget(parent), sender_(port, std::move(note)), file_path_(std::move(file_path)) {
  setObjectName(QStringLiteral("quick_send_panel"));
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 0, 0, 0);
  grid->setVerticalSpacing(2);
  grid->addWidget(new QLabel(Qs("HEX"_gbk), this), 0, 0);
  grid->addWidget(new QLabel(Qs("字符串"_gbk), this), 0, 1);
  grid->addWidget(new QLabel(Qs("发送"_gbk), this), 0, 2);

  for (int index = 0; index < kQuickSendRows; ++index) {
    RowWidgets& row = rows_[static_cast<std::size_t>(index)];
    const int n = index + 1;
    row.hex = new QCheckBox(this);
    row.hex->setObjectName(QStringLiteral("quick_hex_%1").arg(n));
    row.edit = new QLineEdit(this);
    row.edit->setObjectName(QStringLiteral("quick_text_%1").arg(n));
    row.edit->setMinimumWidth(kRowEditWidth);
    row.button = new QPushButton(QString::number(n), this);
    row.button->setObjectName(QStringLiteral("quick_send_%1").arg(n));
    row.button->setFixedWidth(kRowButtonWidth);
    row.button->setAutoDefault(false);
    grid->addWidget(row.hex, n, 0);
    grid->addWidget(row.edit, n, 1);
    grid->addWidget(row.button, n, 2);
    connect(row.hex, &QCheckBox::toggled, this, [this, index] { PushRow(index); });
    connect(row.edit, &QLineEdit::textChanged, this, [this, index] { PushRow(index); });
    connect(row.button, &QPushButton::clicked, this, [this, n] { SendRow(n); });
  }

  auto* bottom = new QHBoxLayout;
  cycle_ = new QCheckBox(Qs("自动循环发送,间隔："_gbk), this);
  cycle_->setObjectName(QStringLiteral("quick_cycle"));
  interval_ = new QLineEdit(Qs(kDefaultQuickSendInterval), this);
  interval_->setObjectName(QStringLiteral("quick_interval"));
  interval_->setMaximumWidth(60);
  bottom->addWidget(cycle_);
  bottom->addWidget(interval_);
  bottom->addWidget(new QLabel(Qs("(ms)"_gbk), this));
  bottom->addStretch();
  grid->addLayout(bottom, kQuickSendRows + 1, 0, 1, 3);
  grid->setRowStretch(kQuickSendRows + 2, 1);
  connect(cycle_, &QCheckBox::clicked, this, &QuickSendPanel::OnCycleClicked);
}

QuickSendPanel::~QuickSendPanel() { Shutdown(); }

void QuickSendPanel::Load() {
  QuickSendContents contents = Contents();
  LoadQuickSend(file_path_, contents);
  for (int index = 0; index < kQuickSendRows; ++index) {
    const QuickSendRow& row = contents.rows[static_cast<std::size_t>(index)];
    rows_[static_cast<std::size_t>(index)].hex->setChecked(row.hex);
    rows_[static_cast<std::size_t>(index)].edit->setText(Qs(row.text));
  }
  interval_->setText(Qs(contents.interval));
}

void QuickSendPanel::Save() { (void)SaveQuickSend(file_path_, Contents()); }

QuickSendContents QuickSendPanel::Contents() const {
  QuickSendContents contents;
  for (int index = 0; index < kQuickSendRows; ++index) {
    const RowWidgets& row = rows_[static_cast<std::size_t>(index)];
    contents.rows[static_cast<std::size_t>(index)] =
        QuickSendRow{Gbk(row.edit->text()), row.hex->isChecked()};
  }
  contents.interval = Gbk(interval_->text());
  return contents;
}

void QuickSendPanel::SendRow(int n) { sender_.SendRow(n - 1); }

void QuickSendPanel::PushRow(int index) {
  const RowWidgets& row = rows_[static_cast<std::size_t>(index)];
  sender_.SetRow(index, Gbk(row.edit->text()), row.hex->isChecked());
}

void QuickSendPanel::OnCycleClicked(bool checked) {
  if (checked) {
    emit sendPeriodEnabled(false);
    // An interval of 0 or less leaves the box ticked and sends nothing.
    sender_.StartCycle(Atoi(Gbk(interval_->text())));
  } else {
    emit sendPeriodEnabled(true);
    sender_.StopCycle();
  }
}

void QuickSendPanel::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

}  // namespace zt::ui
