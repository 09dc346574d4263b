#include "terminal/terminal_receiver.h"

#include <chrono>

#include "serial/serial_port.h"

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

std::vector<TerminalEvent> TerminalReceiver::TakeEvents() {
  std::lock_guard lock(mutex_);
  std::vector<TerminalEvent> out;
  out.swap(events_);
  return out;
}

void TerminalReceiver::NoteSent(std::string_view bytes) {
  if (bytes.empty()) return;
  std::lock_guard lock(mutex_);
  events_.push_back(TerminalEvent{TerminalEvent::Kind::kSent, std::string(bytes), TerminalNow()});
}

void TerminalReceiver::SetTap(Tap tap) {
  std::lock_guard lock(tap_mutex_);
  tap_ = std::move(tap);
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
    const TerminalTime when = TerminalNow();
    read_total_.fetch_add(count);
    const std::string_view bytes(buffer, count);
    {
      std::lock_guard lock(tap_mutex_);
      if (tap_) tap_(bytes);
    }
    std::lock_guard lock(mutex_);
    events_.push_back(TerminalEvent{TerminalEvent::Kind::kReceived, std::string(bytes), when});
  }
  running_.store(false);
}

}  // namespace zt
