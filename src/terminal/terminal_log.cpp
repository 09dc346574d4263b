#include "terminal/terminal_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/program_path.h"
#include "terminal/time_stamp.h"

namespace zt {
namespace {

constexpr std::string_view kDevPrefix = "/dev/";
constexpr std::size_t kLongestPortPart = 64;
// The writer takes what waits at once when this much has piled up.
constexpr std::size_t kWriteAtOnce = 1 << 20;
// Names tried for one second before the log gives up.
constexpr int kNameAttempts = 1000;

bool IsSafeNameByte(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
         c == '-';
}

}  // namespace

std::string TerminalLogFolder() {
  // The logs/ folder of the portable layout's data folder (the program's own
  // folder); an installed window is given its data folder's logs/ instead.
  return ProgramDirectory() + "logs/";
}

std::string SafePortName(std::string_view port_name) {
  if (port_name.starts_with(kDevPrefix)) port_name.remove_prefix(kDevPrefix.size());
  while (port_name.starts_with('/')) port_name.remove_prefix(1);
  std::string safe;
  for (const char c : port_name.substr(0, kLongestPortPart)) safe.push_back(IsSafeNameByte(c) ? c : '_');
  return safe.empty() ? "port" : safe;
}

int CreatePrivateFile(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

bool WriteAllBytes(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

TerminalLog::TerminalLog(std::string folder, std::string port_name, std::uint64_t limit)
    : folder_(std::move(folder)), port_part_(SafePortName(port_name)), limit_(limit > 0 ? limit : 1) {}

TerminalLog::~TerminalLog() { Close(); }

bool TerminalLog::Open() {
  if (fd_ >= 0 || writer_.joinable()) return true;
  if (::mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST) {
    error_.store(errno);
    return false;
  }
  if (!OpenNextFile()) return false;
  {
    std::lock_guard lock(mutex_);
    stop_ = false;
  }
  writer_ = std::thread([this] { Run(); });
  return true;
}

void TerminalLog::Close() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (writer_.joinable()) writer_.join();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void TerminalLog::Append(std::string_view bytes) {
  if (bytes.empty() || failed_.load()) return;
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    if (stop_) return;
    pending_.append(bytes);
    wake = pending_.size() >= kWriteAtOnce || pending_.size() == bytes.size();
  }
  if (wake) wake_.notify_all();
}

std::string TerminalLog::CurrentPath() const {
  std::lock_guard lock(mutex_);
  return files_.empty() ? std::string() : files_.back();
}

std::vector<std::string> TerminalLog::Files() const {
  std::lock_guard lock(mutex_);
  return files_;
}

bool TerminalLog::OpenNextFile() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  const std::string base = folder_ + FileStampText(TerminalNow()) + "-" + port_part_;
  for (int attempt = 1; attempt <= kNameAttempts; ++attempt) {
    const std::string path = base + (attempt == 1 ? std::string() : "-" + std::to_string(attempt)) + ".log";
    const int fd = CreatePrivateFile(path);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      break;
    }
    fd_ = fd;
    file_size_ = 0;
    std::lock_guard lock(mutex_);
    files_.push_back(path);
    return true;
  }
  error_.store(errno);
  failed_.store(true);
  return false;
}

void TerminalLog::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !pending_.empty(); });
    // Bytes wait a moment for more, so that a fast line is written in large
    // pieces; never longer than the flush period.
    if (!stop_) {
      wake_.wait_for(lock, kFlushPeriod, [this] { return stop_ || pending_.size() >= kWriteAtOnce; });
    }
    std::string bytes;
    bytes.swap(pending_);
    const bool last = stop_;
    lock.unlock();
    if (!failed_.load() && !WriteOut(bytes)) failed_.store(true);
    lock.lock();
    if (last && pending_.empty()) break;
  }
}

bool TerminalLog::WriteOut(std::string_view bytes) {
  while (!bytes.empty()) {
    if (fd_ < 0) return false;
    if (file_size_ >= limit_) {
      if (!OpenNextFile()) return false;
      continue;
    }
    const std::uint64_t room = limit_ - file_size_;
    std::size_t take = bytes.size();
    bool full = false;
    if (take > room) {
      // The file ends at the last line end that fits, when there is one.
      full = true;
      take = static_cast<std::size_t>(room);
      const std::size_t line_end = bytes.substr(0, take).rfind('\n');
      if (line_end != std::string_view::npos) take = line_end + 1;
    }
    if (!WriteAllBytes(fd_, bytes.substr(0, take))) {
      error_.store(errno);
      return false;
    }
    file_size_ += take;
    bytes.remove_prefix(take);
    if (full && !OpenNextFile()) return false;
  }
  return true;
}

}  // namespace zt
