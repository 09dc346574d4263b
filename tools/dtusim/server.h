// The serving loop: reads what arrives on the line, feeds the interpreter,
// sends its answers when they are due, and ends on a stop request, the end
// of standard input (with the lifeline), or a dropped line.
//
// Runs on the calling thread; all waits are one poll() on the line, the stop
// descriptor and standard input, bounded by the next due answer.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

#include "dtusim/faults.h"
#include "dtusim/interpreter.h"
#include "dtusim/serial_line.h"
#include "dtusim/wire_log.h"

namespace zt::dtusim {

struct ServeOptions {
  bool stdin_lifeline = false;                // end when standard input closes
  bool chunked = false;                       // answers in random small pieces
  std::uint32_t seed = 1;                     // for the pieces
  std::optional<std::uint64_t> hangup_after;  // drop the line after sending this many bytes
  // Replaces the line by a new one (re-enumeration on reset); false when it fails.
  std::function<bool()> reenumerate;
};

enum class ServeEnd {
  kStopped,    // the stop descriptor became readable (a signal arrived)
  kLifeline,   // standard input closed
  kHungUp,     // the hang-up fault dropped the line
  kLineError,  // the line failed or its far end went away
};

class Server {
 public:
  // `stop_fd` becomes readable when the simulator is to end (a signal's pipe).
  Server(SerialLine& line, Interpreter& interpreter, WireLog& log, ServeOptions options, int stop_fd);
  ServeEnd Run();

 private:
  Millis Now() const;
  void Enqueue(const std::vector<Emission>& emissions);
  // Sends what is due; false when the line was dropped or failed (`end_` says which).
  bool SendDue(Millis now);

  SerialLine& line_;
  Interpreter& interpreter_;
  WireLog& log_;
  ServeOptions options_;
  int stop_fd_;
  ChunkShaper shaper_;
  std::chrono::steady_clock::time_point start_;
  std::deque<Emission> queue_;
  Millis last_queued_at_{0};
  std::uint64_t bytes_sent_ = 0;
  ServeEnd end_ = ServeEnd::kLineError;
};

}  // namespace zt::dtusim
