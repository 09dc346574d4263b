// What the serial port needs from the operating system. serial_port_posix.cpp
// implements it with termios; serial_port.cpp holds the behaviour the
// operator sees and does not depend on the platform.
//
// Thread safety: every member may be called from any thread. I/O on the
// descriptor (reads, writes, waits, purges, line changes) runs under a shared
// hold of the descriptor; Open and Close take it exclusively, after waking
// every wait and write that is in progress, so a descriptor is never used
// after it was closed or when its number was given to another file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "serial/port_result.h"

struct termios;

namespace zt {
class UucpLock;
}

namespace zt::serial_detail {

class NetLink;

struct LineFormat {
  std::uint32_t baud = 57600;
  std::uint8_t data_bits = 8;
  std::uint8_t stop_bits = 0;  // 0 one, 1 one and a half, 2 two
  std::uint8_t parity = 0;     // 0 none, 1 odd, 2 even, 3 mark, 4 space
};

// How a wait for the device's hang-up ended.
enum class HangupWait {
  kHungUp,  // the device went away (POLLHUP, POLLERR, or a read or write failed with EIO or ENXIO)
  kWoken,   // an open or close of the device, or `extra_fd` became readable
  kClosed,  // no device is open
};

class SerialDevice {
 public:
  SerialDevice();
  ~SerialDevice();
  SerialDevice(const SerialDevice&) = delete;
  SerialDevice& operator=(const SerialDevice&) = delete;

  // A network port name (net_link.h: "rfc2217://HOST:PORT", "tcp://HOST:PORT")
  // connects to it instead, with no lock of any kind.
  //
  // Opens a terminal device for reading and writing, exclusively: the UUCP
  // lock file of the device (uucp_lock.h), flock and TIOCEXCL. On success a
  // device held before is closed. On failure nothing changes: the path names
  // nothing, may not be opened by this user, is no terminal, is held by
  // another opener or lock file, or cannot be opened.
  PortResult Open(const std::string& path);
  void Close();
  bool IsOpen() const;
  // Whether the last successful Open went without a lock file (the lock
  // folder cannot be written), and that folder.
  bool WithoutLockFile() const;

  // True once the open device has gone away; the descriptor is not polled
  // again after that. Cleared by Open.
  bool HungUp() const;
  // Blocks until the open device goes away, an Open or Close starts, or
  // `extra_fd` becomes readable.
  HangupWait WaitHangup(int extra_fd);

  // Raw data path (no echo, no line editing, no translation of CR or LF, no
  // XON/XOFF) with the given format. A field the driver cannot take keeps
  // its current value; a driver that refuses the change (a pseudo-terminal
  // refuses some) keeps its previous state. Hardware handshake stays as the
  // driver had it. A speed without a termios constant is set as an
  // arbitrary rate (termios2, BOTHER). False when the driver refuses the
  // speed or reports another one back.
  bool ApplyLine(const LineFormat& line);
  void Purge();      // discards received bytes not yet read
  void RaiseDtr();  // ignored where the device has no modem lines

  std::size_t ReadQueued(char* buffer, std::size_t capacity);
  void Write(std::string_view bytes);
  bool WaitReadable(int max_ms);

 private:
  PortResult OpenNetwork(const std::string& name);
  // Puts the new descriptor in force and lets the old one go.
  void Replace(int fd, std::unique_ptr<NetLink> net, const termios* saved, bool saved_valid,
               std::unique_ptr<UucpLock> lock_file, bool without_lock_file);

  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zt::serial_detail
