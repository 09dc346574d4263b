// The AT terminal's log files: everything the terminal shows (and every block
// it sends) goes to a file of its own in the log folder,
//
//   <log folder>/YYYYMMDD-HHMMSS-<port>.log
//
// named after the local time it was opened and the port (made safe for a
// file name). The bytes are written at least once a second by a thread of the
// log's own, so a slow disk never holds up the window; once a file holds the
// limit (50 MB) the log goes on in a new file. Files are created private
// (0600), never over an existing file and never through a symbolic link; a
// name taken already gets "-2", "-3", ... before ".log".
//
// Threads: Open, Close and the destructor on the owner's thread; Append and
// the getters from any thread. A write error ends the log: Failed() turns
// true and later appends are dropped.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zt {

// Where the terminal's logs go in the portable layout: the logs/ folder
// beside the program. Ends in "/".
std::string TerminalLogFolder();

// The port name as a file name's part: a leading "/dev/" dropped, every byte
// other than A-Z a-z 0-9 . _ - turned into "_", at most 64 bytes; "port"
// when nothing is left. "/dev/ttyUSB0" -> "ttyUSB0", "/dev/pts/5" -> "pts_5".
std::string SafePortName(std::string_view port_name);

// Creates `path` for writing: private (0600), never an existing file, never
// through a symbolic link. The descriptor, or -1 with errno set.
int CreatePrivateFile(const std::string& path);

// Writes all of `bytes` to `fd` (EINTR and short writes handled).
bool WriteAllBytes(int fd, std::string_view bytes);

class TerminalLog {
 public:
  static constexpr std::uint64_t kDefaultLimit = 50ull * 1024 * 1024;
  static constexpr std::chrono::milliseconds kFlushPeriod{250};

  // `folder` ends in "/" (it is created, private, when missing).
  TerminalLog(std::string folder, std::string port_name, std::uint64_t limit = kDefaultLimit);
  ~TerminalLog();
  TerminalLog(const TerminalLog&) = delete;
  TerminalLog& operator=(const TerminalLog&) = delete;

  // Creates the first file and starts the writer. False when the folder or
  // the file cannot be created (errno kept in Error()).
  bool Open();
  // Writes what is still waiting, closes the file and joins the writer.
  void Close();

  void Append(std::string_view bytes);

  // The file written now (empty before Open).
  std::string CurrentPath() const;
  // Every file of this log, in the order they were opened.
  std::vector<std::string> Files() const;
  bool Failed() const { return failed_.load(); }
  int Error() const { return error_.load(); }

 private:
  bool OpenNextFile();  // mutex_ not held
  void Run();
  bool WriteOut(std::string_view bytes);

  const std::string folder_;
  const std::string port_part_;
  const std::uint64_t limit_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::string pending_;
  bool stop_ = false;
  std::vector<std::string> files_;

  // Writer side (the writer thread, or the owner before it starts).
  int fd_ = -1;
  std::uint64_t file_size_ = 0;

  std::atomic<bool> failed_{false};
  std::atomic<int> error_{0};
  std::thread writer_;
};

}  // namespace zt
