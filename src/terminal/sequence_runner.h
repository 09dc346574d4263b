// Runs a command sequence (command_sequence.h) against the DTU on a thread of
// its own: send steps go on the wire through the owner's send function, wait
// steps watch what the terminal receives (Received, fed by the receive
// thread's tap) and pause steps wait. A wait looks at everything received
// since the last send step went out, so an answer that comes back before the
// wait starts still counts; the bytes up to the end of the text found are
// used up. A wait that passes its limit ends the run and names the step.
//
// Stop ends a run at any point, within a few milliseconds (a write already on
// its way finishes first).
//
// Threads: Start, Stop and the destructor on the owner's thread; Received,
// Status, Running and WaitFinished from any thread. The send function is
// called on the runner's thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "terminal/command_sequence.h"

namespace zt {

enum class SequenceState { kIdle, kRunning, kPassed, kTimedOut, kStopped };

struct SequenceStatus {
  SequenceState state = SequenceState::kIdle;
  int step = 0;         // the step under way, or where the run ended; from 1 (0 before the first)
  int count = 0;        // steps of the sequence
  std::string message;  // GBK: how the run ended; empty while it runs
};

class SequenceRunner {
 public:
  // What a wait keeps of the bytes received since the last send.
  static constexpr std::size_t kWindowBytes = 64 * 1024;

  using Send = std::function<void(std::string_view)>;
  explicit SequenceRunner(Send send);
  ~SequenceRunner();  // Stop
  SequenceRunner(const SequenceRunner&) = delete;
  SequenceRunner& operator=(const SequenceRunner&) = delete;

  // Starts a run. False while one runs, and when CheckSequence refuses the
  // sequence (the reason is then in `refusal`).
  bool Start(CommandSequence sequence, std::string* refusal = nullptr);
  // Ends the run under way and joins its thread; nothing when none runs.
  void Stop();

  // Bytes the terminal received.
  void Received(std::string_view bytes);

  SequenceStatus Status() const;
  bool Running() const;
  // Waits until no run is under way; false after `limit`.
  bool WaitFinished(std::chrono::milliseconds limit) const;

 private:
  void Run(CommandSequence sequence);
  // Waits for `text` until `limit` passes; false on time-out or stop.
  bool WaitForText(std::unique_lock<std::mutex>& lock, const std::string& text, std::chrono::milliseconds limit);
  void Finish(SequenceState state, std::string message);  // mutex_ held

  Send send_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  SequenceStatus status_;
  bool stop_ = false;
  std::string window_;
  std::thread thread_;
};

}  // namespace zt
