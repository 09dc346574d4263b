#include "support/ser2net_fixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace zt::test {
namespace {

// Whether something listens on 127.0.0.1:`port` (/proc/net/tcp: state 0A).
bool Listening(int port) {
  std::ifstream table("/proc/net/tcp");
  char wanted[32];
  std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    if (local == wanted && state == "0A") return true;
  }
  return false;
}

}  // namespace

int FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  ::close(fd);
  return port;
}

bool Ser2NetProcess::Available() { return ::access(kProgram, X_OK) == 0; }

Ser2NetProcess::~Ser2NetProcess() { Kill(); }

bool Ser2NetProcess::Start(const std::string& device, const std::string& line) {
  com_port_port_ = FreeLoopbackPort();
  raw_port_ = FreeLoopbackPort();
  while (raw_port_ == com_port_port_) raw_port_ = FreeLoopbackPort();
  const std::string config = dir_.File("ser2net.yaml");
  {
    std::ofstream out(config);
    const std::string connector = "serialdev," + device + "," + line + ",local";
    out << "connection: &remote\n"
        << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << com_port_port_ << "\n"
        << "  connector: " << connector << "\n"
        << "connection: &raw\n"
        << "  accepter: tcp,127.0.0.1," << raw_port_ << "\n"
        << "  connector: " << connector << "\n";
  }
  const std::string log = dir_.File("ser2net.log");
  const std::string pid_file = dir_.File("ser2net.pid");
  pid_ = ::fork();
  if (pid_ < 0) {
    error_ = "fork failed";
    return false;
  }
  if (pid_ == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int in = ::open("/dev/null", O_RDONLY);
    if (out >= 0) {
      ::dup2(out, STDOUT_FILENO);
      ::dup2(out, STDERR_FILENO);
    }
    if (in >= 0) ::dup2(in, STDIN_FILENO);
    ::execl(kProgram, kProgram, "-n", "-u", "-c", config.c_str(), "-P", pid_file.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // ser2net says nothing when it listens; the kernel's table does.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!(Listening(com_port_port_) && Listening(raw_port_))) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      error_ = "ser2net ended: " + LogText();
      return false;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      error_ = "ser2net does not listen: " + LogText();
      Kill();
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

std::string Ser2NetProcess::ComPortUrl() const {
  return "rfc2217://127.0.0.1:" + std::to_string(com_port_port_);
}

std::string Ser2NetProcess::RawUrl() const { return "tcp://127.0.0.1:" + std::to_string(raw_port_); }

void Ser2NetProcess::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
}

std::string Ser2NetProcess::LogText() const { return ReadFileBytes(dir_.File("ser2net.log")); }

}  // namespace zt::test
