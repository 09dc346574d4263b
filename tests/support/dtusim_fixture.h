// Runs the simulated DTU (dtusim) for a test: starts it on a fresh
// pseudo-terminal with its wire log in a temporary folder, tells the test
// which tty to open, and reads back exactly what crossed the line.
//
// One object per simulator; use it from one thread. dtusim always runs with
// --stdin-lifeline, so a test program that dies never leaves it behind.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/temp_dir.h"

namespace zt::test {

// One line of dtusim's wire log.
struct WireChunk {
  double time = 0;     // monotonic seconds
  char direction = 0;  // '<' received by the DTU, '>' sent by it, '#' a note
  std::string bytes;   // the chunk's bytes (a note: its text)
};

// Parses a wire log; lines not yet complete (no LF) and malformed lines are
// left out.
std::vector<WireChunk> ParseWireLog(std::string_view text);
// Every byte of one direction, in order.
std::string JoinWire(const std::vector<WireChunk>& chunks, char direction);

// A file shipped beside the programs (build/bin), such as "dtusim_s2.profile".
std::string ShippedDataFile(std::string_view name);

class DtuSimProcess {
 public:
  DtuSimProcess() = default;
  ~DtuSimProcess();
  DtuSimProcess(const DtuSimProcess&) = delete;
  DtuSimProcess& operator=(const DtuSimProcess&) = delete;

  // Starts dtusim with `args` (plus --stdin-lifeline and --wire-log) and waits
  // up to 10 s for the slave path. False with the reason in error().
  bool Start(const std::vector<std::string>& args = {});

  const std::string& SlavePath() const { return slave_path_; }
  // The temporary folder of this simulator (wire log, stderr, room for a
  // --state file); removed with the object.
  const std::string& Folder() const { return dir_.path(); }
  std::string WireLogPath() const { return dir_.File("wire.log"); }
  std::string StderrText() const;
  const std::string& error() const { return error_; }
  pid_t pid() const { return pid_; }

  std::vector<WireChunk> WireLog() const;
  // Everything the DTU received so far (what the tool sent), in order.
  std::string ReceivedBytes() const;
  // Everything the DTU sent so far.
  std::string SentBytes() const;
  // Waits until `done` holds for the wire log, or `limit` passes; returns
  // whether it held. Reads are woken by changes of the file, not by polling.
  bool WaitForWire(const std::function<bool(const std::vector<WireChunk>&)>& done,
                   std::chrono::milliseconds limit = std::chrono::seconds(5)) const;
  // Waits until ReceivedBytes() (or SentBytes()) contains `bytes`.
  bool WaitForReceived(std::string_view bytes,
                       std::chrono::milliseconds limit = std::chrono::seconds(5)) const;
  bool WaitForSent(std::string_view bytes, std::chrono::milliseconds limit = std::chrono::seconds(5)) const;

  // Ends it with SIGTERM and waits (SIGKILL after 5 s). Returns its exit
  // status (128 + signal when a signal ended it), or -1 when none runs.
  int Stop();
  // Closes its standard input (the lifeline) without a signal.
  void CloseLifeline();
  // Waits for it to end on its own; its exit status, or -1 after `limit`.
  int WaitForExit(std::chrono::milliseconds limit = std::chrono::seconds(5));

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  int lifeline_fd_ = -1;
  int exit_status_ = -1;
  std::string slave_path_;
  std::string error_;
};

}  // namespace zt::test
