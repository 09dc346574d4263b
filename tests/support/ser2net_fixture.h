// Runs ser2net (version 4, Debian's /usr/sbin/ser2net) for a test: it serves
// one serial device on two loopback ports, one with Telnet COM-port control
// ("telnet(rfc2217)") and one raw, from a configuration written into a
// temporary folder. Nothing system-wide: no UUCP lock files (-u), the pid
// file in the folder, and the process dies with the test program.
//
// One object per server; use it from one thread.
#pragma once

#include <sys/types.h>

#include <string>

#include "support/temp_dir.h"

namespace zt::test {

class Ser2NetProcess {
 public:
  static constexpr const char* kProgram = "/usr/sbin/ser2net";
  // Whether ser2net is installed.
  static bool Available();

  Ser2NetProcess() = default;
  ~Ser2NetProcess();
  Ser2NetProcess(const Ser2NetProcess&) = delete;
  Ser2NetProcess& operator=(const Ser2NetProcess&) = delete;

  // Starts ser2net for `device` at `line` ("57600n81") and waits up to 10 s
  // until both ports listen. False with the reason in error().
  bool Start(const std::string& device, const std::string& line = "57600n81");

  // "rfc2217://127.0.0.1:<port>" and "tcp://127.0.0.1:<port>".
  std::string ComPortUrl() const;
  std::string RawUrl() const;

  // Ends it at once with SIGKILL (the kernel closes its connections), and
  // waits for it.
  void Kill();

  const std::string& error() const { return error_; }
  std::string LogText() const;

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  int com_port_port_ = 0;
  int raw_port_ = 0;
  std::string error_;
};

// A loopback TCP port that nothing listens on now.
int FreeLoopbackPort();

}  // namespace zt::test
