#include "ui/bars/progress_pane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <chrono>

#include "text/elapsed_text.h"
#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"

namespace zt::ui {
namespace {

constexpr int kTickMs = 1000;
constexpr int kBarWidth = 80;

}  // namespace

CProgressPane::CProgressPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("progress_pane"));
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("progress_bar"));
  bar_->setTextVisible(false);
  bar_->setFixedWidth(kBarWidth);
  bar_->setMaximumHeight(14);
  label_ = new QLabel(this);
  label_->setObjectName(QStringLiteral("progress_text"));
  label_->setFont(CjkFont(12, 400));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 0, 2, 0);
  layout->addWidget(bar_);
  layout->addWidget(label_);
  tick_ = new QTimer(this);
  tick_->setInterval(kTickMs);
  connect(tick_, &QTimer::timeout, this, &CProgressPane::Redraw);
  setVisible(false);
}

void CProgressPane::ShowProgress(const WorkerProgress& progress) {
  if (!busy_) {
    busy_ = true;
    clock_.start();
    tick_->start();
    setVisible(true);
  }
  progress_text_ = WorkerProgressText(progress);
  if (progress.HasCount()) {
    bar_->setRange(0, progress.total);
    bar_->setValue(progress.done);
  } else {
    bar_->setRange(0, 0);  // busy, without a count
  }
  Redraw();
}

void CProgressPane::Clear() {
  if (!busy_) return;
  busy_ = false;
  tick_->stop();
  progress_text_.clear();
  label_->clear();
  bar_->reset();
  setVisible(false);
  emit textChanged(QString());
}

QString CProgressPane::Text() const { return busy_ ? label_->text() : QString(); }

void CProgressPane::Redraw() {
  if (!busy_) return;
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::milliseconds(clock_.elapsed()));
  const QString text =
      Qs(progress_text_) + QStringLiteral("  ") + QString::fromStdString(ElapsedText(elapsed));
  if (text == label_->text()) return;
  label_->setText(text);
  emit textChanged(text);
}

}  // namespace zt::ui
