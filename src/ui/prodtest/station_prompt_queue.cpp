#include "ui/prodtest/station_prompt_queue.h"

#include <QMetaObject>
#include <chrono>

#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/prodtest/serial_number_dlg.h"

namespace zt::ui {

using namespace zt::literals;

namespace {

// How often a waiting question looks at its run's cancel token when nobody
// wakes it (Cancel wakes it at once).
constexpr std::chrono::milliseconds kCancelCheck{50};

}  // namespace

class StationPromptQueue::Prompt final : public ISerialNumberPrompt {
 public:
  Prompt(StationPromptQueue& queue, QString port) : queue_(queue), port_(std::move(port)) {}
  std::optional<SerialNumbers> AskSerialNumbers(const std::atomic<bool>& cancel) override {
    return queue_.Ask(port_, cancel);
  }
  // The run's cancel token is set already: waking the question ends it.
  void Cancel() override { queue_.WakeAll(); }

 private:
  StationPromptQueue& queue_;
  QString port_;
};

StationPromptQueue::StationPromptQueue(QWidget* owner) : QObject(nullptr), owner_(owner) {}

StationPromptQueue::~StationPromptQueue() { Shutdown(); }

std::unique_ptr<ISerialNumberPrompt> StationPromptQueue::PromptFor(const QString& port_label) {
  return std::make_unique<Prompt>(*this, port_label);
}

QString StationPromptQueue::TitleFor(const QString& port_label) {
  return Qs("扫描序列号"_gbk) + QStringLiteral(" - ") + port_label;
}

SerialNumberDialog* StationPromptQueue::OpenDialog() const { return dialog_.data(); }

QString StationPromptQueue::OpenDialogPort() const { return dialog_ ? dialog_port_ : QString(); }

int StationPromptQueue::Waiting() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(waiting_.size()) + (shown_ != 0 ? 1 : 0);
}

std::optional<SerialNumbers> StationPromptQueue::Ask(const QString& port, const std::atomic<bool>& cancel) {
  std::unique_lock lock(mutex_);
  if (cancel.load() || shut_down_) return std::nullopt;
  const unsigned id = ++next_id_;
  waiting_.push_back({id, port});
  QMetaObject::invokeMethod(this, &StationPromptQueue::ShowNext, Qt::QueuedConnection);
  while (!answers_.contains(id) && !shut_down_ && !cancel.load()) {
    changed_.wait_for(lock, kCancelCheck);
  }
  if (const auto answered = answers_.find(id); answered != answers_.end()) {
    std::optional<SerialNumbers> numbers = std::move(answered->second);
    answers_.erase(answered);
    return numbers;
  }
  // Stopped: the question goes, from the queue or from the screen.
  std::erase_if(waiting_, [id](const Question& q) { return q.id == id; });
  if (shown_ == id) {
    shown_ = 0;
    QMetaObject::invokeMethod(
        this, [this, id] { CloseDialog(id); }, Qt::QueuedConnection);
  }
  return std::nullopt;
}

void StationPromptQueue::WakeAll() {
  { std::lock_guard lock(mutex_); }
  changed_.notify_all();
}

void StationPromptQueue::Shutdown() {
  {
    std::lock_guard lock(mutex_);
    shut_down_ = true;
    waiting_.clear();
    shown_ = 0;
  }
  changed_.notify_all();
  CloseDialog(dialog_id_);
}

void StationPromptQueue::ShowNext() {
  if (dialog_) return;
  Question next;
  {
    std::lock_guard lock(mutex_);
    if (shut_down_ || shown_ != 0 || waiting_.empty()) return;
    next = waiting_.front();
    waiting_.pop_front();
    shown_ = next.id;
  }
  auto* dialog = new SerialNumberDialog(owner_);
  dialog->setWindowTitle(TitleFor(next.port));
  dialog_ = dialog;
  dialog_id_ = next.id;
  dialog_port_ = next.port;
  const unsigned id = next.id;
  connect(dialog, &QDialog::finished, this, [this, id, dialog](int) {
    if (dialog_ == dialog) dialog_.clear();
    Answer(id, dialog->Numbers());
    dialog->deleteLater();
    ShowNext();
  });
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  emit dialogShown(dialog);
}

void StationPromptQueue::Answer(unsigned id, std::optional<SerialNumbers> numbers) {
  {
    std::lock_guard lock(mutex_);
    if (shown_ != id) return;
    shown_ = 0;
    answers_[id] = std::move(numbers);
  }
  changed_.notify_all();
}

void StationPromptQueue::CloseDialog(unsigned id) {
  SerialNumberDialog* dialog = dialog_.data();
  if (dialog == nullptr || dialog_id_ != id) return;
  dialog_.clear();
  // Closed by the tool, not by the operator: no answer goes back.
  dialog->disconnect(this);
  dialog->hide();
  dialog->deleteLater();
  ShowNext();
}

}  // namespace zt::ui
