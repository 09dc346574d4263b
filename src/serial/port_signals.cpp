#include "serial/port_signals.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "serial/uucp_lock.h"

namespace zt {
namespace {

volatile sig_atomic_t g_notify_fd = -1;

extern "C" void OnPortCleanupSignal(int signal_number) {
  const int saved = errno;
  RemoveHeldLocksFromSignal();
  if (g_notify_fd >= 0) {
    const char byte = static_cast<char>(signal_number);
    [[maybe_unused]] const ssize_t n = ::write(g_notify_fd, &byte, 1);
    errno = saved;
    return;
  }
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
  errno = saved;
}

}  // namespace

void InstallPortCleanupOnSignals(int notify_fd) {
  g_notify_fd = notify_fd;
  struct sigaction action {};
  action.sa_handler = OnPortCleanupSignal;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

}  // namespace zt
