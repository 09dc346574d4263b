// The simulator's end of the serial line: the master side of a fresh
// pseudo-terminal pair, or an existing tty. Descriptors are non-blocking.
//
// For a pseudo-terminal the simulator keeps its own descriptor on the slave
// side (set to raw mode, so nothing is echoed or translated before a client
// sets its own mode): the pair then stays usable while clients come and go,
// and the master never sees a hang-up between two clients.
//
// Not thread-safe: one serving thread owns it.
#pragma once

#include <string>

namespace zt::dtusim {

class SerialLine {
 public:
  SerialLine() = default;
  ~SerialLine() { Close(); }
  SerialLine(const SerialLine&) = delete;
  SerialLine& operator=(const SerialLine&) = delete;

  // False with a message when the pair cannot be made.
  bool OpenPseudoTerminal(std::string* error);
  // Serves an existing tty (a serial port, or one end of a socat pair).
  bool OpenTty(const std::string& path, std::string* error);
  // Drops the line, as an unplugged adapter would: clients see a hang-up.
  void Close();
  // Waits (up to `limit_ms`) until the client has read what was sent, so a
  // hang-up does not also swallow bytes that left before it.
  void WaitUntilRead(int limit_ms) const;

  bool is_open() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // The path a client opens: the slave of the pair, or the tty itself.
  const std::string& peer_path() const { return peer_path_; }

 private:
  int fd_ = -1;
  int held_slave_fd_ = -1;
  std::string peer_path_;
};

}  // namespace zt::dtusim
