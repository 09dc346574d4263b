// The AT terminal page: editing and running a command sequence.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "terminal/terminal_texts.h"
#include "text/strformat.h"
#include "ui/common/qt_text.h"
#include "ui/shell/qt_message_box.h"
#include "ui/terminal/sequence_dialog.h"
#include "ui/terminal/view_serial.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

}  // namespace

void CViewSerial::EditSequence() {
  SequenceDialog dialog(sequence_, sequence_path_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  // The dialog has saved it to its file.
  sequence_ = dialog.Sequence();
  sequence_path_ = dialog.Path();
}

void CViewSerial::RunOrStopSequence() {
  if (runner_.Running()) {
    runner_.Stop();
    UpdateSequenceProgress();
    return;
  }
  std::string refusal;
  if (!runner_.Start(sequence_, &refusal)) {
    ShowMessageBox(this, refusal, terminal_texts::kInputErrorCaption, MessageIcon::kExclamation);
    return;
  }
  sequence_shown_running_ = true;
  sequence_run_->setText(Qs("停止序列"_gbk));
  sequence_edit_->setEnabled(false);
  sequence_progress_->setRange(0, static_cast<int>(sequence_.steps.size()));
  sequence_progress_->setValue(0);
  sequence_progress_->show();
  UpdateSequenceProgress();
}

void CViewSerial::UpdateSequenceProgress() {
  if (!sequence_shown_running_) return;
  const SequenceStatus status = runner_.Status();
  if (status.state == SequenceState::kRunning) {
    // A step counts as done once the next one has begun.
    sequence_progress_->setValue(status.step > 0 ? status.step - 1 : 0);
    sequence_status_->setText(Qs(Format(terminal_texts::kSequenceProgress, status.step, status.count)));
    return;
  }
  sequence_shown_running_ = false;
  sequence_progress_->setValue(status.state == SequenceState::kPassed ? status.count : status.step - 1);
  sequence_progress_->hide();
  sequence_run_->setText(Qs("运行序列"_gbk));
  sequence_edit_->setEnabled(true);
  sequence_status_->setText(Qs(status.message));
  frame().AddLogLine(status.message + "\r\n");
}

}  // namespace zt::ui
