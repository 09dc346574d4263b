#include "background_program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace zt::test {

BackgroundProgram::BackgroundProgram(const std::vector<std::string>& argv, const std::string& folder) {
  int out[2] = {-1, -1};
  int err[2] = {-1, -1};
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(err[1]);
  out_reader_ = std::thread([this, fd = out[0]] { Collect(fd, out_); });
  err_reader_ = std::thread([this, fd = err[0]] { Collect(fd, err_); });
}

BackgroundProgram::~BackgroundProgram() {
  if (pid_ > 0 && status_ < 0) {
    ::kill(pid_, SIGKILL);
    Wait();
  }
  if (out_reader_.joinable()) out_reader_.join();
  if (err_reader_.joinable()) err_reader_.join();
}

void BackgroundProgram::Collect(int fd, std::string& into) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    std::lock_guard lock(mutex_);
    into.append(buffer, static_cast<std::size_t>(n));
    changed_.notify_all();
  }
  ::close(fd);
}

std::string BackgroundProgram::Out() const {
  std::lock_guard lock(mutex_);
  return out_;
}

std::string BackgroundProgram::Err() const {
  std::lock_guard lock(mutex_);
  return err_;
}

bool BackgroundProgram::WaitForOut(std::string_view text, std::chrono::milliseconds limit) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [&] { return out_.find(text) != std::string::npos; });
}

void BackgroundProgram::Signal(int signal) {
  if (pid_ > 0 && status_ < 0) ::kill(pid_, signal);
}

int BackgroundProgram::Wait(std::chrono::milliseconds limit) {
  if (pid_ <= 0) return -1;
  if (status_ >= 0) return status_;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) break;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      status_ = -1;
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  // The readers end once the program's ends of the pipes are closed.
  if (out_reader_.joinable()) out_reader_.join();
  if (err_reader_.joinable()) err_reader_.join();
  return status_;
}

}  // namespace zt::test
