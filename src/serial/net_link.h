// A port on another machine, reached over TCP:
//   "rfc2217://HOST:PORT"  a Telnet connection with COM-port control (RFC
//                          2217, ser2net's "telnet(rfc2217)" mode): the line
//                          format is set on the server's serial port;
//   "tcp://HOST:PORT"      raw bytes (ser2net's plain "tcp" mode): the line
//                          format is whatever the server was configured with.
// HOST is a name, an IPv4 address or an IPv6 address in brackets
// ("tcp://[::1]:4001"). The scheme is matched in any letter case.
//
// NetLink is the device side of such a port for SerialDevice: the same reads,
// writes and waits as a terminal, with the same non-blocking rules. A
// connection the server closes or resets counts as a device that went away
// (the hang-up flag given with AttachHangupFlag). The socket is nobody
// else's, so no lock file, flock or exclusive mark is involved.
//
// A server still letting go of its serial port after the last client
// (ser2net needs some tens of milliseconds) takes the next connection and
// closes it at once; Connect then tries again within its time limit.
//
// Thread safety: as SerialDevice. The caller holds its descriptor lock
// (shared) around every call and destroys the link only under its exclusive
// hold; the link guards its own codec and send order.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "serial/port_result.h"
#include "serial/serial_device.h"

namespace zt::serial_detail {

class TelnetComPort;

struct PortUrl {
  enum class Kind { kRaw, kComPortControl };
  Kind kind = Kind::kRaw;
  std::string host;  // without the brackets of an IPv6 address
  std::string port;  // digits, 1 to 65535
};

// Whether `name` is written as a network port (starts with "rfc2217://" or
// "tcp://"), well-formed or not.
bool IsNetworkPortName(std::string_view name);
// The parts of a well-formed network port name; nothing otherwise.
std::optional<PortUrl> ParsePortUrl(std::string_view name);

class NetLink {
 public:
  // Connects to the port `name` stands for within a few seconds. On failure
  // nullptr and `result` says why: a malformed name or an unknown host is
  // kNoSuchDevice, a server that closes every connection at once (its port
  // is in use) kBusy, a refused, unreachable or silent server kOther.
  static std::unique_ptr<NetLink> Connect(const std::string& name, PortResult& result);
  ~NetLink();
  NetLink(const NetLink&) = delete;
  NetLink& operator=(const NetLink&) = delete;

  int fd() const { return fd_; }
  // From now on a connection that ends sets `flag` (the device's hang-up
  // flag); before, the link's own. Under the caller's exclusive hold.
  void AttachHangupFlag(std::atomic<bool>* flag) { hung_up_ = flag; }

  // Raw: nothing to do, the server's configuration decides the line. COM-port
  // control: asks the server for the format and waits (at most a few seconds,
  // or until `wake_fd` is readable) for the speed it reports back; false when
  // that is another speed.
  bool ApplyLine(const LineFormat& line, int wake_fd);
  // Discards the data received and not read; with COM-port control the
  // server is also asked to purge its receive buffer.
  void Purge();
  void RaiseDtr();  // COM-port control only

  std::size_t ReadQueued(char* buffer, std::size_t capacity);
  // Ends when all is sent, on a hang-up, when `wake_fd` is readable, or after
  // `stall_limit_ms` without progress.
  void Write(std::string_view bytes, int wake_fd, int stall_limit_ms);
  // False at once when `wake_fd` is readable; on a hang-up, after the wait.
  bool WaitReadable(int max_ms, int wake_fd);

 private:
  NetLink(int fd, PortUrl::Kind kind);

  // Whether the server kept the new connection: with COM-port control it
  // answered the question for the current speed (or declined the option, or
  // said nothing); raw, it did not close the connection within a short while.
  bool Settle(std::chrono::steady_clock::time_point deadline);
  // Takes in what the server sends until `done` holds (true), or the
  // connection ends, `deadline` passes or `wake_fd` is readable (false).
  template <typename Done>
  bool AwaitServer(const Done& done, std::chrono::steady_clock::time_point deadline, int wake_fd);
  // Moves what the socket holds into the codec (COM-port control) and sends
  // the codec's answers; false when the connection has ended.
  bool Receive();
  // Sends what `out_` holds, waiting for room while a send makes progress
  // (at most `stall_limit_ms` without any; 0: only what goes at once).
  void Drain(int wake_fd, int stall_limit_ms);
  // Appends to what goes out next, in order.
  void Queue(std::string_view bytes);
  void MarkIfGone(int error);

  int fd_ = -1;
  PortUrl::Kind kind_;
  std::atomic<bool> own_hung_up_{false};
  std::atomic<bool>* hung_up_ = &own_hung_up_;
  // Guards codec_ and out_. Every send takes bytes from the front of out_
  // under it, so whoever drains (a writer, a reader answering the server's
  // negotiation) keeps the stream's order and never splits a sequence.
  std::mutex mutex_;
  std::unique_ptr<TelnetComPort> codec_;  // COM-port control only
  std::string out_;
};

}  // namespace zt::serial_detail
