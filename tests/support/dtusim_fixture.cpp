#include "support/dtusim_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace zt::test {
namespace {

using Clock = std::chrono::steady_clock;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ParseHexField(std::string_view hex, std::string* out) {
  out->clear();
  size_t i = 0;
  while (i < hex.size()) {
    if (hex[i] == ' ') {
      ++i;
      continue;
    }
    if (i + 1 >= hex.size()) return false;
    const int hi = HexValue(hex[i]);
    const int lo = HexValue(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<char>(hi * 16 + lo));
    i += 2;
  }
  return true;
}

int RemainingMs(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

int DecodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Waits for the child to end within `limit`: true with its status.
bool WaitChild(pid_t pid, std::chrono::milliseconds limit, int* status) {
  const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (pidfd >= 0) {
    pollfd p{pidfd, POLLIN, 0};
    int r;
    do {
      r = ::poll(&p, 1, static_cast<int>(limit.count()));
    } while (r < 0 && errno == EINTR);
    ::close(pidfd);
    if (r <= 0) return false;
    return ::waitpid(pid, status, 0) == pid;
  }
  // Kernels without pidfd: look once a millisecond until the limit.
  const auto deadline = Clock::now() + limit;
  for (;;) {
    pid_t r = ::waitpid(pid, status, WNOHANG);
    if (r == pid) return true;
    if (r < 0 || Clock::now() >= deadline) return false;
    ::usleep(1000);
  }
}

}  // namespace

std::vector<WireChunk> ParseWireLog(std::string_view text) {
  std::vector<WireChunk> chunks;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) break;  // still being written
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    size_t t1 = line.find('\t');
    if (t1 == std::string_view::npos || t1 + 2 >= line.size() || line[t1 + 2] != '\t') continue;
    WireChunk c;
    c.time = std::strtod(std::string(line.substr(0, t1)).c_str(), nullptr);
    c.direction = line[t1 + 1];
    std::string_view rest = line.substr(t1 + 3);
    if (c.direction == '#') {
      c.bytes = rest;
    } else {
      if (c.direction != '<' && c.direction != '>') continue;
      if (!ParseHexField(rest.substr(0, rest.find('\t')), &c.bytes)) continue;
    }
    chunks.push_back(std::move(c));
  }
  return chunks;
}

std::string JoinWire(const std::vector<WireChunk>& chunks, char direction) {
  std::string all;
  for (const WireChunk& c : chunks) {
    if (c.direction == direction) all += c.bytes;
  }
  return all;
}

std::string ShippedDataFile(std::string_view name) {
  std::string program = ZT_DTUSIM_PATH;
  return program.substr(0, program.rfind('/') + 1) + std::string(name);
}

DtuSimProcess::~DtuSimProcess() { Stop(); }

bool DtuSimProcess::Start(const std::vector<std::string>& args) {
  if (pid_ > 0) {
    error_ = "already running";
    return false;
  }
  error_.clear();
  std::vector<std::string> argv_text = {ZT_DTUSIM_PATH};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  argv_text.push_back("--stdin-lifeline");
  argv_text.push_back("--wire-log");
  argv_text.push_back(WireLogPath());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  int in_pipe[2];
  int out_pipe[2];
  if (::pipe2(in_pipe, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return false;
  }
  if (::pipe2(out_pipe, O_CLOEXEC) != 0) {
    ::close(in_pipe[0]);
    ::close(in_pipe[1]);
    error_ = "pipe failed";
    return false;
  }
  const std::string stderr_path = dir_.File("stderr.txt");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_pipe[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  // The simulator runs in its own temporary folder, never the test's.
  posix_spawn_file_actions_addchdir_np(&actions, dir_.path().c_str());
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  if (rc != 0) {
    ::close(in_pipe[1]);
    ::close(out_pipe[0]);
    error_ = std::string("cannot start dtusim: ") + std::strerror(rc);
    return false;
  }
  pid_ = pid;
  exit_status_ = -1;
  lifeline_fd_ = in_pipe[1];

  // Its first line of output is the slave's path.
  std::string line;
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (line.find('\n') == std::string::npos) {
    pollfd p{out_pipe[0], POLLIN, 0};
    int r = ::poll(&p, 1, RemainingMs(deadline));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    char buf[256];
    ssize_t n = ::read(out_pipe[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    line.append(buf, static_cast<size_t>(n));
  }
  ::close(out_pipe[0]);
  const size_t lf = line.find('\n');
  if (lf == std::string::npos || lf == 0) {
    Stop();
    error_ = "dtusim printed no slave path; its errors: " + StderrText();
    return false;
  }
  slave_path_ = line.substr(0, lf);
  return true;
}

std::string DtuSimProcess::StderrText() const { return ReadFileBytes(dir_.File("stderr.txt")); }

std::vector<WireChunk> DtuSimProcess::WireLog() const { return ParseWireLog(ReadFileBytes(WireLogPath())); }

std::string DtuSimProcess::ReceivedBytes() const { return JoinWire(WireLog(), '<'); }

std::string DtuSimProcess::SentBytes() const { return JoinWire(WireLog(), '>'); }

bool DtuSimProcess::WaitForWire(const std::function<bool(const std::vector<WireChunk>&)>& done,
                                std::chrono::milliseconds limit) const {
  const auto deadline = Clock::now() + limit;
  const int ifd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (ifd >= 0) ::inotify_add_watch(ifd, WireLogPath().c_str(), IN_MODIFY | IN_CLOSE_WRITE);
  bool held = false;
  for (;;) {
    if (done(WireLog())) {
      held = true;
      break;
    }
    const int left = RemainingMs(deadline);
    if (left == 0) break;
    if (ifd < 0) {
      ::usleep(1000);
      continue;
    }
    pollfd p{ifd, POLLIN, 0};
    if (::poll(&p, 1, left) > 0) {
      char events[4096];
      while (::read(ifd, events, sizeof events) > 0) {
      }
    }
  }
  if (ifd >= 0) ::close(ifd);
  return held;
}

bool DtuSimProcess::WaitForReceived(std::string_view bytes, std::chrono::milliseconds limit) const {
  return WaitForWire(
      [&](const std::vector<WireChunk>& log) { return JoinWire(log, '<').find(bytes) != std::string::npos; },
      limit);
}

bool DtuSimProcess::WaitForSent(std::string_view bytes, std::chrono::milliseconds limit) const {
  return WaitForWire(
      [&](const std::vector<WireChunk>& log) { return JoinWire(log, '>').find(bytes) != std::string::npos; },
      limit);
}

void DtuSimProcess::CloseLifeline() {
  if (lifeline_fd_ >= 0) ::close(lifeline_fd_);
  lifeline_fd_ = -1;
}

int DtuSimProcess::WaitForExit(std::chrono::milliseconds limit) {
  if (pid_ <= 0) return exit_status_;
  int status = 0;
  if (!WaitChild(pid_, limit, &status)) return -1;
  pid_ = -1;
  exit_status_ = DecodeStatus(status);
  CloseLifeline();
  return exit_status_;
}

int DtuSimProcess::Stop() {
  if (pid_ <= 0) return exit_status_;
  ::kill(pid_, SIGTERM);
  int status = 0;
  if (!WaitChild(pid_, std::chrono::seconds(5), &status)) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
  }
  pid_ = -1;
  exit_status_ = DecodeStatus(status);
  CloseLifeline();
  return exit_status_;
}

}  // namespace zt::test
