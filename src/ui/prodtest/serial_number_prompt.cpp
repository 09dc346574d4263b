#include "ui/prodtest/serial_number_prompt.h"

#include <QMetaObject>
#include <chrono>

#include "ui/prodtest/serial_number_dlg.h"
#include "ui/shell/ui_thread.h"

namespace zt::ui {
namespace {

// How often a waiting question looks at the run's cancel token when nobody
// wakes it (Cancel wakes it at once).
constexpr std::chrono::milliseconds kCancelCheck{50};

}  // namespace

QtSerialNumberPrompt::QtSerialNumberPrompt(QWidget* owner) : QObject(nullptr), owner_(owner) {}

QtSerialNumberPrompt::~QtSerialNumberPrompt() { Shutdown(); }

std::optional<SerialNumbers> QtSerialNumberPrompt::AskSerialNumbers(const std::atomic<bool>& cancel) {
  std::unique_lock lock(mutex_);
  if (cancel.load() || shut_down_) return std::nullopt;
  const unsigned ticket = ++ticket_;
  answered_ = false;
  answer_.reset();
  QMetaObject::invokeMethod(
      this, [this, ticket] { Open(ticket); }, Qt::QueuedConnection);
  while (!answered_ && !shut_down_ && ticket == ticket_ && !cancel.load()) {
    answered_changed_.wait_for(lock, kCancelCheck);
  }
  if (answered_) return answer_;
  // Stopped: the question must not outlive the run.
  ++ticket_;
  QMetaObject::invokeMethod(this, &QtSerialNumberPrompt::CloseDialog, Qt::QueuedConnection);
  return std::nullopt;
}

void QtSerialNumberPrompt::Cancel() {
  {
    std::lock_guard lock(mutex_);
    ++ticket_;  // a dialog still on its way does not open
  }
  answered_changed_.notify_all();
  if (OnUiThread()) {
    CloseDialog();
  } else {
    QMetaObject::invokeMethod(this, &QtSerialNumberPrompt::CloseDialog, Qt::QueuedConnection);
  }
}

void QtSerialNumberPrompt::Shutdown() {
  {
    std::lock_guard lock(mutex_);
    shut_down_ = true;
    ++ticket_;
  }
  answered_changed_.notify_all();
  CloseDialog();
}

void QtSerialNumberPrompt::Open(unsigned ticket) {
  {
    std::lock_guard lock(mutex_);
    if (ticket != ticket_ || shut_down_) return;
  }
  CloseDialog();
  auto* dialog = new SerialNumberDialog(owner_);
  dialog_ = dialog;
  connect(dialog, &QDialog::finished, this, [this, ticket, dialog](int) {
    if (dialog_ == dialog) dialog_.clear();
    Answer(ticket, dialog->Numbers());
    dialog->deleteLater();
  });
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  emit dialogShown(dialog);
}

void QtSerialNumberPrompt::Answer(unsigned ticket, std::optional<SerialNumbers> numbers) {
  {
    std::lock_guard lock(mutex_);
    if (ticket != ticket_ || answered_) return;
    answered_ = true;
    answer_ = std::move(numbers);
  }
  answered_changed_.notify_all();
}

void QtSerialNumberPrompt::CloseDialog() {
  SerialNumberDialog* dialog = dialog_.data();
  dialog_.clear();
  if (dialog == nullptr) return;
  // Closed by the tool, not by the operator: no answer goes back.
  dialog->disconnect(this);
  dialog->hide();
  dialog->deleteLater();
}

}  // namespace zt::ui
