#include "support/run_program.h"

#include "support/temp_dir.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

extern char** environ;

namespace zt::test {
namespace {

struct Pipe {
  int read = -1;
  int write = -1;
  bool Open() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    read = fds[0];
    write = fds[1];
    return true;
  }
  void CloseRead() {
    if (read >= 0) ::close(read);
    read = -1;
  }
  void CloseWrite() {
    if (write >= 0) ::close(write);
    write = -1;
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
};

// The test's environment with `changes` applied.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changes) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& c : changes) replaced = replaced || c.substr(0, c.find('=')) == name;
    if (!replaced) env.push_back(entry);
  }
  for (const std::string& c : changes) {
    if (c.find('=') != std::string::npos) env.push_back(c);
  }
  return env;
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& input,
                         std::chrono::seconds timeout) {
  ProgramSetup setup;
  setup.input = input;
  setup.timeout = timeout;
  return RunProgram(argv, setup);
}

ProgramResult RunProgram(const std::vector<std::string>& argv, const ProgramSetup& setup) {
  const std::string& input = setup.input;
  ProgramResult result;
  Pipe in, out, err;
  if (!in.Open() || !out.Open() || !err.Open()) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in.read, 0);
  posix_spawn_file_actions_adddup2(&actions, out.write, 1);
  posix_spawn_file_actions_adddup2(&actions, err.write, 2);
  TempDir own_folder;
  const std::string& folder = setup.working_folder.empty() ? own_folder.path() : setup.working_folder;
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const std::vector<std::string> env = EnvironmentWith(setup.environment);
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return result;
  in.CloseRead();
  out.CloseWrite();
  err.CloseWrite();

  std::size_t written = 0;
  if (input.empty()) in.CloseWrite();
  const auto deadline = std::chrono::steady_clock::now() + setup.timeout;
  bool timed_out = false;
  while (out.read >= 0 || err.read >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timed_out = true;
      break;
    }
    pollfd fds[3] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}, {in.write, POLLOUT, 0}};
    if (::poll(fds, 3, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
      Pipe& p = i == 0 ? out : err;
      if (p.read >= 0 && (fds[i].revents & (POLLIN | POLLHUP)) != 0) {
        const ssize_t n = ::read(p.read, buffer, sizeof buffer);
        if (n > 0) {
          (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
          p.CloseRead();
        }
      }
    }
    if (in.write >= 0 && (fds[2].revents & (POLLOUT | POLLERR)) != 0) {
      const ssize_t n = ::write(in.write, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      if (n < 0 || written == input.size()) in.CloseWrite();
    }
  }
  if (timed_out) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (timed_out) return result;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace zt::test
