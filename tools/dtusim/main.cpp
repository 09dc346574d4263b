// dtusim: a simulated DTU on a pseudo-terminal. See `dtusim --help`.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "dtusim/device_state.h"
#include "dtusim/interpreter.h"
#include "dtusim/options.h"
#include "dtusim/profile.h"
#include "dtusim/serial_line.h"
#include "dtusim/server.h"
#include "dtusim/wire_log.h"
#include "zereltool/version.h"

namespace zt::dtusim {
namespace {

int g_stop_pipe_write = -1;

extern "C" void OnStopSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(g_stop_pipe_write, &byte, 1);
  errno = saved;
}

// The read end of a pipe that becomes readable on SIGTERM, SIGINT or SIGHUP.
int InstallStopSignals() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  g_stop_pipe_write = fds[1];
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
  return fds[0];
}

// dtusim_s3.profile beside the program (the build's bin folder), else in the
// share folder of an installed program: <prefix>/bin/zereltool-dtusim reads
// <prefix>/share/zereltool/dtusim_s3.profile.
std::string DefaultProfilePath() {
  constexpr const char* kProfile = "dtusim_s3.profile";
  char exe[PATH_MAX] = {};
  ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string path = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string("./dtusim");
  const std::string dir = path.substr(0, path.rfind('/') + 1);
  const std::string beside = dir + kProfile;
  if (::access(beside.c_str(), F_OK) == 0 || dir.size() < 2) return beside;
  const std::size_t up = dir.rfind('/', dir.size() - 2);
  if (up == std::string::npos) return beside;
  return dir.substr(0, up + 1) + "share/zereltool/" + kProfile;
}

// --link: a symbolic link to the slave; an old link in the way is replaced,
// anything else there is left alone.
bool MakeLink(const std::string& link, const std::string& target, std::string* error) {
  char old[PATH_MAX];
  if (::readlink(link.c_str(), old, sizeof old) >= 0) ::unlink(link.c_str());
  if (::symlink(target.c_str(), link.c_str()) != 0) {
    *error = "cannot link " + link + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void RemoveLink(const std::string& link, const std::string& target) {
  char old[PATH_MAX];
  ssize_t n = ::readlink(link.c_str(), old, sizeof old - 1);
  if (n > 0 && std::string(old, static_cast<size_t>(n)) == target) ::unlink(link.c_str());
}

int Fail(int status, const std::string& message) {
  std::fprintf(stderr, "dtusim: %s\n", message.c_str());
  return status;
}

int Run(int argc, char** argv) {
  Options opt;
  std::string error;
  if (!ParseOptions(argc, argv, &opt, &error)) {
    return Fail(2, error + " (see dtusim --help)");
  }
  if (opt.help) {
    std::fputs(HelpText(), stdout);
    return 0;
  }
  if (opt.version) {
    // Named as it was started: the package installs it as zereltool-dtusim.
    const char* slash = std::strrchr(argv[0], '/');
    std::printf("%s %s\n", slash != nullptr ? slash + 1 : argv[0], kVersion);
    return 0;
  }

  DeviceProfile profile;
  const std::string profile_path = opt.profile_path.empty() ? DefaultProfilePath() : opt.profile_path;
  if (!LoadDeviceProfile(profile_path, &profile, &error)) return Fail(2, error);
  if (opt.password) profile.password = *opt.password;
  if (opt.ready) profile.ready = *opt.ready;
  if (opt.no_ready) profile.ready.clear();
  if (opt.ready_zero && !profile.ready.empty()) profile.ready.insert(0, 1, '\0');
  if (opt.csq) profile.csq = *opt.csq;

  DeviceState state(profile, opt.state_path);
  if (!state.Load(&error)) return Fail(2, error);
  Interpreter interpreter(state, opt.faults, opt.boot_delay);

  WireLog log;
  if (!opt.wire_log_path.empty() && !log.Open(opt.wire_log_path, &error)) return Fail(1, error);

  const int stop_fd = InstallStopSignals();
  if (stop_fd < 0) return Fail(1, std::string("pipe: ") + std::strerror(errno));

  SerialLine line;
  const bool opened =
      opt.tty_path.empty() ? line.OpenPseudoTerminal(&error) : line.OpenTty(opt.tty_path, &error);
  if (!opened) return Fail(1, error);
  if (!opt.link_path.empty() && !MakeLink(opt.link_path, line.peer_path(), &error)) return Fail(1, error);

  ServeOptions serve;
  serve.stdin_lifeline = opt.stdin_lifeline;
  serve.chunked = opt.chunked;
  serve.seed = opt.seed ? *opt.seed : std::random_device{}();
  serve.hangup_after = opt.hangup_after;
  serve.reenumerate = [&]() {
    if (!opt.link_path.empty()) RemoveLink(opt.link_path, line.peer_path());
    line.Close();
    if (!line.OpenPseudoTerminal(&error)) return false;
    if (!opt.link_path.empty() && !MakeLink(opt.link_path, line.peer_path(), &error)) return false;
    log.Note("re-enumerated: serving " + line.peer_path());
    return true;
  };

  std::printf("%s\n", line.peer_path().c_str());
  std::fflush(stdout);
  std::fprintf(stderr, "dtusim: %s unit, version %s, mode %s, on %s%s\n",
               profile.generation == Generation::kS3 ? "S3" : "S2", profile.version.c_str(),
               state.pending().mode.empty() ? "-" : state.pending().mode.c_str(), line.peer_path().c_str(),
               opt.chunked ? (" (chunked, seed " + std::to_string(serve.seed) + ")").c_str() : "");
  log.Note("serving " + line.peer_path());

  Server server(line, interpreter, log, serve, stop_fd);
  const ServeEnd end = server.Run();
  if (!opt.link_path.empty()) RemoveLink(opt.link_path, line.peer_path());
  switch (end) {
    case ServeEnd::kStopped:
      log.Note("stopped by a signal");
      return 0;
    case ServeEnd::kLifeline:
      log.Note("standard input closed");
      return 0;
    case ServeEnd::kHungUp:
      std::fprintf(stderr, "dtusim: line dropped\n");
      return 0;
    case ServeEnd::kLineError:
      break;
  }
  log.Note("line failed");
  return Fail(1, "the line failed or its far end went away");
}

}  // namespace
}  // namespace zt::dtusim

int main(int argc, char** argv) { return zt::dtusim::Run(argc, argv); }
