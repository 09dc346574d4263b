#include "terminal/quick_send_sender.h"

#include <chrono>

#include "serial/serial_port.h"
#include "terminal/terminal_input.h"

namespace zt {

QuickSendSender::QuickSendSender(CSerialPort& port, SentNote note) : port_(port), note_(std::move(note)) {}

QuickSendSender::~QuickSendSender() { Shutdown(); }

void QuickSendSender::SetRow(int row, std::string gbk_text, bool hex) {
  if (row < 0 || row >= kQuickSendRows) return;
  std::lock_guard lock(mutex_);
  rows_[static_cast<std::size_t>(row)] = QuickSendRow{std::move(gbk_text), hex};
}

QuickSendRow QuickSendSender::Row(int row) const {
  if (row < 0 || row >= kQuickSendRows) return {};
  std::lock_guard lock(mutex_);
  return rows_[static_cast<std::size_t>(row)];
}

void QuickSendSender::SendRow(int row) {
  if (row < 0 || row >= kQuickSendRows || !port_.IsOpen()) return;
  std::unique_lock lock(mutex_);
  if (shut_down_) return;
  const QuickSendRow& r = rows_[static_cast<std::size_t>(row)];
  if (!RowIsSendable(r.text)) return;
  requests_.push_back(Request{r, pause_ms_.load()});
  const bool start = !manual_thread_.joinable();
  lock.unlock();
  wake_.notify_all();
  if (start) manual_thread_ = std::thread([this] { ManualLoop(); });
}

bool QuickSendSender::StartCycle(int interval_ms) {
  pause_ms_.store(interval_ms);
  if (interval_ms <= 0) return false;
  std::unique_lock lock(mutex_);
  if (shut_down_) return false;
  cycling_ = true;
  // A thread still finishing its last cycle simply goes on cycling.
  if (cycle_alive_) return true;
  cycle_alive_ = true;
  lock.unlock();
  if (cycle_thread_.joinable()) cycle_thread_.join();  // it has ended
  cycle_thread_ = std::thread([this] { CycleLoop(); });
  return true;
}

void QuickSendSender::StopCycle() {
  std::lock_guard lock(mutex_);
  cycling_ = false;
}

bool QuickSendSender::IsCycling() const {
  std::lock_guard lock(mutex_);
  return cycling_;
}

bool QuickSendSender::CycleThreadAlive() const {
  std::lock_guard lock(mutex_);
  return cycle_alive_;
}

std::size_t QuickSendSender::PendingManualSends() const {
  std::lock_guard lock(mutex_);
  return requests_.size() + (sending_manual_ ? 1 : 0);
}

void QuickSendSender::Shutdown() {
  {
    std::lock_guard lock(mutex_);
    shut_down_ = true;
    cycling_ = false;
    requests_.clear();
  }
  wake_.notify_all();
  if (manual_thread_.joinable()) manual_thread_.join();
  if (cycle_thread_.joinable()) cycle_thread_.join();
}

bool QuickSendSender::Pause(std::unique_lock<std::mutex>& lock, int ms) {
  if (ms > 0) {
    wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return shut_down_; });
  }
  return !shut_down_;
}

void QuickSendSender::Put(const QuickSendRow& row) {
  const std::string bytes = BuildRowData(row.text, row.hex, new_line_.load());
  if (note_ && !bytes.empty()) note_(bytes);
  port_.Write(port_.PortLock(), bytes);
}

void QuickSendSender::ManualLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return shut_down_ || !requests_.empty(); });
    if (shut_down_) break;
    Request request = std::move(requests_.front());
    requests_.pop_front();
    sending_manual_ = true;
    if (!Pause(lock, request.pause_ms)) break;
    lock.unlock();
    Put(request.row);
    lock.lock();
    sending_manual_ = false;
  }
  sending_manual_ = false;
}

void QuickSendSender::CycleLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (!cycling_ || shut_down_) break;
    if (!Pause(lock, kCycleStepMs)) break;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
      if (shut_down_) break;
      if (!port_.IsOpen()) continue;
      const QuickSendRow current = rows_[row];
      if (!RowIsSendable(current.text)) continue;
      if (!Pause(lock, pause_ms_.load())) break;
      lock.unlock();
      Put(current);
      lock.lock();
    }
  }
  cycle_alive_ = false;
}

}  // namespace zt
