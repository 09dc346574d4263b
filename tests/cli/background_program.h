// A program of the build running in the background in a folder of the
// test's, for commands that run until they are told to stop (monitor): its
// output is collected as it comes, and a signal ends it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zt::test {

class BackgroundProgram {
 public:
  // Starts `argv` (argv[0] is the path) with `folder` as its current folder
  // and an empty standard input.
  BackgroundProgram(const std::vector<std::string>& argv, const std::string& folder);
  ~BackgroundProgram();  // kills it if it still runs
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  bool started() const { return pid_ > 0; }
  std::string Out() const;
  std::string Err() const;
  // Waits until standard output holds `text`; false after `limit`.
  bool WaitForOut(std::string_view text, std::chrono::milliseconds limit = std::chrono::seconds(10)) const;

  void Signal(int signal);
  // Waits for the end and the last output; the exit status (128 + signal
  // when a signal ended it), or -1 after `limit` (it is then killed).
  int Wait(std::chrono::milliseconds limit = std::chrono::seconds(10));

 private:
  void Collect(int fd, std::string& into);

  pid_t pid_ = -1;
  int status_ = -1;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::string out_;
  std::string err_;
  std::thread out_reader_;
  std::thread err_reader_;
};

}  // namespace zt::test
