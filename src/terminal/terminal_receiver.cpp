#include "terminal/terminal_receiver.h"

#include <chrono>

#include "serial/serial_port.h"
#include "terminal/receive_box_rules.h"

namespace zt {

TerminalReceiver::TerminalReceiver(CSerialPort& port) : port_(port) {}

TerminalReceiver::~TerminalReceiver() { Stop(); }

void TerminalReceiver::Start() {
  if (thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = false;
  }
  running_.store(true);
  thread_ = std::thread([this] { Run(); });
}

void TerminalReceiver::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  running_.store(false);
}

std::string TerminalReceiver::TakeReceived() {
  std::lock_guard lock(mutex_);
  std::string out;
  out.swap(pending_);
  return out;
}

void TerminalReceiver::Run() {
  char buffer[kReadCapacity];
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stop_) break;
    }
    // WaitReadable ends early when bytes arrive; on a closed port it returns
    // at once, so the step is then spent waiting for a stop instead.
    if (!port_.IsOpen()) {
      std::unique_lock lock(mutex_);
      wake_.wait_for(lock, std::chrono::milliseconds(kPollStepMs), [this] { return stop_; });
      continue;
    }
    port_.WaitReadable(kPollStepMs);
    const std::uint16_t count = port_.ReadQueued(port_.PortLock(), buffer, sizeof buffer);
    if (count == 0) continue;
    read_total_.fetch_add(count);
    const std::string_view text = TextBeforeZero(std::string_view(buffer, count));
    if (text.empty()) continue;
    std::lock_guard lock(mutex_);
    pending_.append(text);
  }
  running_.store(false);
}

}  // namespace zt
