// The quick-send panel's sending: the eleven rows, the pause before each
// row's send, the manual sends of the numbered buttons and the auto-cycle.
//
// A row is sent only while the port is open and when it holds 1 to 1024
// bytes; then, after the pause, its bytes (BuildRowData) go on the wire under
// the port lock. Nothing is reported: a refused hexadecimal row sends only
// its line end, or nothing.
//
// The auto-cycle thread repeats, while cycling is on: a 20 ms step, then rows
// 1 to 11 in order (empty rows are skipped without a pause). Turning cycling
// off lets the cycle in progress finish. Manual sends run on a thread of
// their own, one after another in the order of the presses, each after its
// pause, so a long pause never holds up the window.
//
// Threads: every member may be called from the owner's thread (the UI);
// the setters and getters from any thread. Shutdown (and the destructor)
// drops queued manual sends, cuts every pause short and joins both threads.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "terminal/quick_send_file.h"

namespace zt {

class CSerialPort;

class QuickSendSender {
 public:
  static constexpr int kCycleStepMs = 20;

  // Told of every block just before it goes on the wire (on the sending
  // thread), so the terminal can show and log it.
  using SentNote = std::function<void(std::string_view)>;

  explicit QuickSendSender(CSerialPort& port, SentNote note = {});
  ~QuickSendSender();
  QuickSendSender(const QuickSendSender&) = delete;
  QuickSendSender& operator=(const QuickSendSender&) = delete;

  // Row `row` is 0 to 10 (button "1" to "11"); others are ignored.
  void SetRow(int row, std::string gbk_text, bool hex);
  QuickSendRow Row(int row) const;
  // The terminal's "发送新行" box: CR LF after every row's bytes.
  void SetNewLine(bool new_line) { new_line_.store(new_line); }

  // The pause before each row's send, in milliseconds: 0 at the start, the
  // auto-cycle's interval once one has started, kept after it stops.
  int Pause() const { return pause_ms_.load(); }

  // A numbered button: queues the row's send (text and mark as they are now).
  void SendRow(int row);

  // The auto-cycle box ticked with `interval_ms`: the pause takes that value;
  // when it is above 0 cycling starts. Returns whether it is cycling.
  bool StartCycle(int interval_ms);
  // The box cleared: the cycle in progress finishes, then the thread ends.
  void StopCycle();
  bool IsCycling() const;
  // True while the cycle thread exists (also while it finishes a cycle).
  bool CycleThreadAlive() const;
  // Manual sends not yet on the wire.
  std::size_t PendingManualSends() const;

  void Shutdown();

 private:
  struct Request {
    QuickSendRow row;
    int pause_ms;
  };

  void ManualLoop();
  void CycleLoop();
  // Waits `ms` unless shut down first; false when shut down.
  bool Pause(std::unique_lock<std::mutex>& lock, int ms);
  void Put(const QuickSendRow& row);

  CSerialPort& port_;
  const SentNote note_;
  std::atomic<bool> new_line_{false};
  std::atomic<int> pause_ms_{0};

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::array<QuickSendRow, kQuickSendRows> rows_;
  std::deque<Request> requests_;
  bool sending_manual_ = false;  // a request taken off the queue and not yet sent
  bool shut_down_ = false;
  bool cycling_ = false;
  bool cycle_alive_ = false;
  std::thread manual_thread_;
  std::thread cycle_thread_;
};

}  // namespace zt
