#include "cli/monitor_command.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/console.h"
#include "cli/session.h"
#include "terminal/terminal_log.h"
#include "terminal/terminal_transcript.h"
#include "terminal/unit_text_escape.h"

namespace zt::cli {
namespace {

// A step of the read loop: Ctrl+C is seen within it, and a quiet step writes
// what waited for more (a hex row in progress, half a GBK character).
constexpr int kStepMs = 100;
constexpr std::size_t kReadSize = 4096;

std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnStopSignal(int) { g_stop.store(true); }

// Ctrl+C and SIGTERM end the monitor cleanly while it runs.
class StopSignals {
 public:
  StopSignals() {
    g_stop.store(false);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_int_);
    sigaction(SIGTERM, &action, &previous_term_);
  }
  ~StopSignals() {
    sigaction(SIGINT, &previous_int_, nullptr);
    sigaction(SIGTERM, &previous_term_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  struct sigaction previous_int_ {};
  struct sigaction previous_term_ {};
};

class LogFile {
 public:
  ~LogFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Create(const std::string& path) {
    fd_ = CreatePrivateFile(path);
    return fd_ >= 0;
  }
  bool Write(std::string_view gbk) { return fd_ < 0 || gbk.empty() || WriteAllBytes(fd_, gbk); }

 private:
  int fd_ = -1;
};

void Print(std::string_view utf8) {
  if (utf8.empty()) return;
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

int RunMonitor(const Options& options) {
  LogFile log;
  if (options.log_file && !log.Create(*options.log_file)) {
    std::cerr << "zereltool-cli: cannot create the log file " << *options.log_file << ": " << std::strerror(errno)
              << " (it must not exist yet)\n";
    return kExitUsage;
  }
  Session session(options);
  if (!session.Open(/*start_worker=*/false)) return kExitUsage;
  CSerialPort& port = session.port();

  // Nothing is hidden on a terminal: zero bytes show like any other.
  TerminalTranscript transcript(/*cut_at_zero=*/false);
  transcript.SetTimestamps(options.timestamps);
  transcript.SetHex(options.hex);
  transcript.SetLogging(options.log_file.has_value());
  UnitTextEscaper escaper;
  bool log_ok = true;
  const auto put = [&] {
    const TranscriptPiece piece = transcript.Take();
    Print(escaper.Feed(piece.display));
    if (log_ok && !log.Write(piece.log)) {
      std::cerr << "zereltool-cli: writing the log file failed: " << std::strerror(errno) << "\n";
      log_ok = false;
    }
  };

  const StopSignals signals;
  char buffer[kReadSize];
  while (!g_stop.load() && port.IsOpen()) {
    port.WaitReadable(kStepMs);
    const std::uint16_t count = port.ReadQueued(port.PortLock(), buffer, sizeof buffer);
    if (count > 0) transcript.Received(std::string_view(buffer, count), TerminalNow());
    transcript.EndBatch();
    put();
  }
  transcript.FlushAll();
  put();
  Print(escaper.Finish());
  return log_ok ? kExitOk : kExitFailed;
}

}  // namespace zt::cli
