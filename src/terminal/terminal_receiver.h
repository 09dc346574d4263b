// The AT terminal's receive thread: it takes whatever the port has queued,
// at most 1024 bytes a read, and keeps each read with the time it arrived for
// the window, which collects them on its own thread (a short timer) so that a
// fast line never floods the window with one update per read.
//
// The blocks the terminal sends are noted in the same queue (NoteSent), so the
// window sees what was sent and what came back in the order it happened. A
// tap (a running command sequence) sees every read as it arrives, on the
// receive thread.
//
// Threads: Start, Stop and the destructor on the owner's thread (the UI);
// TakeEvents, NoteSent, SetTap, ReadTotal and IsRunning from any thread.
// Stop returns within about one poll step (20 ms) plus the read in progress.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "terminal/time_stamp.h"

namespace zt {

class CSerialPort;

struct TerminalEvent {
  enum class Kind : std::uint8_t { kReceived, kSent };
  Kind kind = Kind::kReceived;
  std::string bytes;  // one read from the port (zero bytes included), or one sent block
  TerminalTime when{};
};

class TerminalReceiver {
 public:
  static constexpr int kPollStepMs = 20;
  static constexpr std::size_t kReadCapacity = 1024;

  explicit TerminalReceiver(CSerialPort& port);
  ~TerminalReceiver();  // stops and joins
  TerminalReceiver(const TerminalReceiver&) = delete;
  TerminalReceiver& operator=(const TerminalReceiver&) = delete;

  // Starts the thread (once; later calls do nothing while it runs).
  void Start();
  // Ends the thread and joins it. What was read stays for TakeEvents.
  void Stop();
  bool IsRunning() const { return running_.load(); }

  // The reads and sent blocks since the last call, in order.
  std::vector<TerminalEvent> TakeEvents();
  // A block about to go on the wire (noted before it is written, so that it
  // comes before its answer).
  void NoteSent(std::string_view bytes);

  // Called on the receive thread with every read; an empty function removes
  // it. Once SetTap returns, the old tap is never called again.
  using Tap = std::function<void(std::string_view)>;
  void SetTap(Tap tap);

  // Every byte read from the port since the start.
  std::uint64_t ReadTotal() const { return read_total_.load(); }

 private:
  void Run();

  CSerialPort& port_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<std::uint64_t> read_total_{0};

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::vector<TerminalEvent> events_;

  std::mutex tap_mutex_;
  Tap tap_;
};

}  // namespace zt
