// The AT terminal under a fast line: a feeder writes lines into the far end
// of a pseudo-terminal at a steady rate (1 MB/s by default) for a while (60 s
// by default) while the main window shows the AT view (offscreen), with time
// stamps and the log file on. Reports the bytes written against the bytes
// the terminal read and showed, the longest gap between ticks of a 5 ms
// timer on the UI thread (the longest time the window could not answer), and
// whether the log files, time stamps taken off, hold exactly the bytes sent.
//
//   bench_at_terminal_stream [--seconds N] [--rate BYTES_PER_SECOND] [--no-line-ends]
//                            [--no-timestamps] [--no-log]
//
// --no-line-ends sends the same bytes without CR LF: one endless line.
//
// Exit status 0 when every byte arrived, showed and was logged, and the
// longest gap stayed below 50 ms, 1 otherwise.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "params/shared_catalogue.h"
#include "settings/command_state_table.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "ui/shell/main_frame.h"
#include "ui/terminal/view_serial.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTickMs = 5;
constexpr qint64 kStallLimitMs = 50;
constexpr auto kFeedStep = std::chrono::milliseconds(10);

struct Options {
  int seconds = 60;
  long rate = 1000000;
  bool line_ends = true;
  bool timestamps = true;
  bool log = true;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--no-line-ends") {
      options.line_ends = false;
    } else if (arg == "--no-timestamps") {
      options.timestamps = false;
    } else if (arg == "--no-log") {
      options.log = false;
    } else if ((arg == "--seconds" || arg == "--rate") && i + 1 < argc) {
      const long value = std::strtol(argv[++i], nullptr, 10);
      if (value <= 0) return false;
      if (arg == "--seconds")
        options.seconds = static_cast<int>(value);
      else
        options.rate = value;
    } else {
      return false;
    }
  }
  return true;
}

// The far end of the line: a pseudo-terminal master; the slave stays open
// here too, so the pair never hangs up while the port re-opens.
struct Line {
  int master = -1;
  int slave = -1;
  std::string path;

  bool Open() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return false;
    const char* name = ::ptsname(master);
    if (name == nullptr) return false;
    path = name;
    slave = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) return false;
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    return true;
  }
  ~Line() {
    if (slave >= 0) ::close(slave);
    if (master >= 0) ::close(master);
  }
};

// A temporary folder that is the current one while it lives.
struct WorkFolder {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("zt_bench_terminal_" + std::to_string(::getpid()));
  std::filesystem::path old = std::filesystem::current_path();

  WorkFolder() {
    std::filesystem::create_directories(path);
    std::filesystem::current_path(path);
  }
  ~WorkFolder() {
    std::filesystem::current_path(old);
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

// Lines of 100 bytes, numbered, so the box sees real line ends (or the
// same bytes with blanks for line ends: one endless line).
std::string Pattern(bool line_ends) {
  constexpr std::size_t kLine = 100;
  std::string text;
  for (int i = 0; i < 1000; ++i) {
    std::string line =
        std::to_string(100000 + i) + " ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz +CSQ: 23,99 OK";
    line.resize(kLine - 2, '.');
    line += line_ends ? "\r\n" : "  ";
    text += line;
  }
  return text;
}

// Writes `rate` bytes a second in 10 ms steps until `until`; returns the
// count written. A step that finds the line full waits for it: the rate
// reached then shows in the report.
std::uint64_t Feed(int fd, long rate, bool line_ends, Clock::time_point until,
                   const std::atomic<bool>& stop) {
  const std::string pattern = Pattern(line_ends);
  const std::size_t step = static_cast<std::size_t>(rate / 100);
  std::size_t offset = 0;
  std::uint64_t written = 0;
  auto next = Clock::now();
  while (!stop.load() && Clock::now() < until) {
    std::size_t left = step;
    while (left > 0 && !stop.load()) {
      const std::size_t chunk = std::min(left, pattern.size() - offset);
      const ssize_t n = ::write(fd, pattern.data() + offset, chunk);
      if (n < 0) {
        if (errno == EINTR) continue;
        if (errno != EAGAIN) return written;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 10);
        continue;
      }
      written += static_cast<std::uint64_t>(n);
      left -= static_cast<std::size_t>(n);
      offset = (offset + static_cast<std::size_t>(n)) % pattern.size();
    }
    next += kFeedStep;
    std::this_thread::sleep_until(next);
  }
  return written;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

struct LogCheck {
  std::size_t files = 0;
  std::uint64_t bytes = 0;
  bool stamps_ok = true;
  bool every_byte = false;
};

// The log files joined, each line's stamp taken off, against the bytes sent.
LogCheck CheckLog(const std::vector<std::string>& files, bool timestamps, bool line_ends, std::uint64_t sent) {
  LogCheck check;
  check.files = files.size();
  std::string text;
  for (const std::string& file : files) text += ReadWhole(file);
  check.bytes = text.size();
  std::string bytes;
  bytes.reserve(text.size());
  const std::regex stamp("\\d\\d:\\d\\d:\\d\\d\\.\\d{3} ");
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    std::size_t from = at;
    if (timestamps) {
      constexpr std::size_t kStamp = 13;  // "HH:MM:SS.mmm "
      if (end - at < kStamp || !std::regex_match(text.begin() + static_cast<long>(at),
                                                  text.begin() + static_cast<long>(at + kStamp), stamp)) {
        check.stamps_ok = false;
      } else {
        from += kStamp;
      }
    }
    bytes.append(text, from, end - from);
    at = end;
  }
  const std::string pattern = Pattern(line_ends);
  std::string expected;
  expected.reserve(sent);
  while (expected.size() < sent) expected += pattern;
  expected.resize(sent);
  check.every_byte = bytes == expected;
  return check;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s [--seconds N] [--rate BYTES_PER_SECOND] [--no-line-ends] [--no-timestamps] [--no-log]\n",
                 argv[0]);
    return 2;
  }
  if (::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  Line line;
  if (!line.Open()) {
    std::perror("pseudo-terminal");
    return 1;
  }
  ::fcntl(line.master, F_SETFL, ::fcntl(line.master, F_GETFL) | O_NONBLOCK);

  // The window keeps its settings and the terminal its cmd.ini in a folder of
  // their own.
  const WorkFolder folder;
  zt::SharedCatalogue catalogue;
  zt::ProcessFlags flags;
  zt::ToolSettingsStore settings;
  zt::CommandStateTable commands;
  zt::ui::FrameOptions frame_options;
  frame_options.port_override = line.path;
  frame_options.settings_file = (folder.path / "tool_set.ini").string();
  frame_options.work_folder = folder.path.string();
  std::uint64_t sent = 0;
  std::uint64_t read = 0;
  std::uint64_t shown = 0;
  qint64 longest_gap = 0;
  std::vector<std::string> log_files;
  {
    zt::ui::CMainFrame frame(zt::ui::FrameServices{catalogue, flags, settings, commands},
                             std::move(frame_options));
    frame.show();
    QCoreApplication::processEvents();
    if (!frame.OnOpenPort()) {
      std::fprintf(stderr, "the port did not open\n");
      return 1;
    }
    frame.OnAtView();
    auto* terminal = qobject_cast<zt::ui::CViewSerial*>(frame.CurrentPage());
    if (terminal == nullptr) {
      std::fprintf(stderr, "no AT view\n");
      return 1;
    }
    terminal->SetTimestamps(options.timestamps);
    terminal->SetLogFolder((folder.path / "logs").string() + "/");
    if (options.log && !terminal->SetLogging(true)) {
      std::fprintf(stderr, "the log did not start\n");
      return 1;
    }

    QElapsedTimer since_tick;
    since_tick.start();
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longest_gap = std::max(longest_gap, since_tick.restart()); });
    // Settle first: the window's own start-up does not count.
    QTimer::singleShot(200, [&] {
      since_tick.restart();
      ticker.start(kTickMs);
    });

    std::atomic<bool> stop{false};
    std::atomic<bool> fed{false};
    const auto start = Clock::now() + std::chrono::milliseconds(250);
    std::thread feeder([&] {
      std::this_thread::sleep_until(start);
      sent = Feed(line.master, options.rate, options.line_ends, start + std::chrono::seconds(options.seconds),
                  stop);
      fed.store(true);
    });
    // Until the feeder is done, then until the terminal has read it all
    // (at most 10 s more).
    QElapsedTimer drain;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
      if (!fed.load()) return;
      if (!drain.isValid()) drain.start();
      if (terminal->BytesShown() >= sent || drain.elapsed() > 10000) loop.quit();
    });
    check.start(50);
    loop.exec();
    ticker.stop();
    stop.store(true);
    feeder.join();
    read = terminal->BytesRead();
    shown = terminal->BytesShown();
    terminal->SetLogging(false);  // written out and closed
    log_files = terminal->LogFiles();
    frame.Shutdown();
  }

  const double seconds = options.seconds;
  std::printf("AT terminal stream: %d s at %ld bytes/s asked%s%s%s\n", options.seconds, options.rate,
              options.line_ends ? "" : ", no line ends", options.timestamps ? ", time stamps" : "",
              options.log ? ", log file" : "");
  std::printf("  bytes sent       %llu (%.0f bytes/s)\n", static_cast<unsigned long long>(sent),
              sent / seconds);
  std::printf("  bytes received   %llu%s\n", static_cast<unsigned long long>(read),
              read == sent ? " (equal)" : " (DIFFERENT)");
  std::printf("  bytes shown      %llu%s\n", static_cast<unsigned long long>(shown),
              shown == sent ? " (equal)" : " (DIFFERENT)");
  std::printf("  longest UI stall %lld ms (target below %lld ms)\n", static_cast<long long>(longest_gap),
              static_cast<long long>(kStallLimitMs));
  bool logged = true;
  if (options.log) {
    const LogCheck check = CheckLog(log_files, options.timestamps, options.line_ends, sent);
    logged = check.every_byte && check.stamps_ok;
    std::printf("  log files        %zu, %llu bytes; every byte sent: %s%s\n", check.files,
                static_cast<unsigned long long>(check.bytes), check.every_byte ? "yes" : "NO",
                check.stamps_ok ? "" : " (a line without its time stamp)");
  }
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("  peak memory      %ld MB\n", usage.ru_maxrss / 1024);
  return read == sent && shown == sent && logged && longest_gap < kStallLimitMs ? 0 : 1;
}
