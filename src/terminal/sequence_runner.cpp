#include "terminal/sequence_runner.h"

#include "terminal/terminal_texts.h"
#include "text/strformat.h"

namespace zt {

SequenceRunner::SequenceRunner(Send send) : send_(std::move(send)) {}

SequenceRunner::~SequenceRunner() { Stop(); }

bool SequenceRunner::Start(CommandSequence sequence, std::string* refusal) {
  const std::string why = CheckSequence(sequence);
  if (!why.empty()) {
    if (refusal != nullptr) *refusal = why;
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    if (status_.state == SequenceState::kRunning) return false;
  }
  if (thread_.joinable()) thread_.join();  // a finished run
  {
    std::lock_guard lock(mutex_);
    stop_ = false;
    window_.clear();
    status_ = SequenceStatus{SequenceState::kRunning, 0, static_cast<int>(sequence.steps.size()), {}};
  }
  thread_ = std::thread([this, s = std::move(sequence)]() mutable { Run(std::move(s)); });
  return true;
}

void SequenceRunner::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void SequenceRunner::Received(std::string_view bytes) {
  {
    std::lock_guard lock(mutex_);
    if (status_.state != SequenceState::kRunning) return;
    window_.append(bytes);
    if (window_.size() > kWindowBytes) window_.erase(0, window_.size() - kWindowBytes);
  }
  changed_.notify_all();
}

SequenceStatus SequenceRunner::Status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

bool SequenceRunner::Running() const {
  std::lock_guard lock(mutex_);
  return status_.state == SequenceState::kRunning;
}

bool SequenceRunner::WaitFinished(std::chrono::milliseconds limit) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [this] { return status_.state != SequenceState::kRunning; });
}

void SequenceRunner::Finish(SequenceState state, std::string message) {
  status_.state = state;
  status_.message = std::move(message);
}

bool SequenceRunner::WaitForText(std::unique_lock<std::mutex>& lock, const std::string& text,
                                 std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  std::size_t found = std::string::npos;
  changed_.wait_until(lock, deadline, [&] {
    if (stop_) return true;
    found = window_.find(text);
    return found != std::string::npos;
  });
  if (stop_ || found == std::string::npos) return false;
  window_.erase(0, found + text.size());
  return true;
}

void SequenceRunner::Run(CommandSequence sequence) {
  std::unique_lock lock(mutex_);
  for (std::size_t i = 0; i < sequence.steps.size(); ++i) {
    const SequenceStep& step = sequence.steps[i];
    const int number = static_cast<int>(i + 1);
    if (stop_) break;
    status_.step = number;
    changed_.notify_all();
    const std::chrono::milliseconds ms(step.ms);
    switch (step.kind) {
      case StepKind::kSendText:
      case StepKind::kSendLine:
      case StepKind::kSendHex: {
        const std::string bytes = StepBytes(step).value_or(std::string());
        window_.clear();  // a wait looks at what came back after this send
        lock.unlock();
        send_(bytes);
        lock.lock();
        break;
      }
      case StepKind::kWaitText:
        if (!WaitForText(lock, step.text, ms) && !stop_) {
          Finish(SequenceState::kTimedOut, Format(terminal_texts::kSequenceTimedOut, number, step.text));
          changed_.notify_all();
          return;
        }
        break;
      case StepKind::kPause:
        changed_.wait_for(lock, ms, [this] { return stop_; });
        break;
    }
  }
  if (stop_) {
    Finish(SequenceState::kStopped, Format(terminal_texts::kSequenceStopped, status_.step));
  } else {
    Finish(SequenceState::kPassed, std::string(terminal_texts::kSequencePassed));
  }
  changed_.notify_all();
}

}  // namespace zt
