// A port on another machine against a scripted server on loopback: the bytes
// the port sends and takes, exactly, where ser2net would hide them.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <string_view>
#include <thread>

#include "serial/serial_port.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"

namespace zt {
namespace {

using namespace std::chrono_literals;

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (const int v : values) out.push_back(static_cast<char>(v));
  return out;
}

// One TCP server connection on 127.0.0.1, driven by the test's own thread.
class ScriptedServer {
 public:
  ScriptedServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    ::listen(listener_, 1);
  }
  ~ScriptedServer() {
    if (peer_ >= 0) ::close(peer_);
    ::close(listener_);
  }
  std::string Url(std::string_view scheme) const {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_);
  }

  // Accepts the port's connection (the kernel completed it already).
  bool Accept(int within_ms = 5000) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, within_ms) <= 0) return false;
    peer_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    return peer_ >= 0;
  }
  // Everything received so far, waiting up to 5 s until it holds `wanted`.
  const std::string& ReceiveUntil(std::string_view wanted) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (received_.find(wanted) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd p{peer_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      char chunk[512];
      const ssize_t n = ::recv(peer_, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      received_.append(chunk, static_cast<std::size_t>(n));
    }
    return received_;
  }
  // Closes the connection (the listener stays).
  void Drop() {
    ::close(peer_);
    peer_ = -1;
    received_.clear();
  }
  void Send(std::string_view bytes) {
    ASSERT_EQ(::send(peer_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
  }

 private:
  int listener_ = -1;
  int peer_ = -1;
  int port_ = 0;
  std::string received_;
};

// The server answers a speed request (sent while the port opens) with
// `reported`. The open runs on a thread of its own while the test plays
// the server.
struct OpenOutcome {
  PortResult result;
  bool accepted = false;
  std::string received;
};

class NetPort : public ::testing::Test {
 protected:
  void SetUrl(const std::string& url, std::uint32_t baud) {
    settings.Update([&](ToolSettings& s) {
      s.port_name = url;
      s.baud = baud;
    });
  }
  // Reads what the port has within 5 s until `count` bytes came.
  std::string ReadPort(std::size_t count) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
      port.WaitReadable(50);
      char buffer[64];
      got.append(buffer, port.ReadQueued(port.PortLock(), buffer, sizeof buffer));
    }
    return got;
  }

  ToolSettingsStore settings;
  ProcessFlags flags;
  CSerialPort port{settings, flags};
  ScriptedServer server;
};

// The question for the speed in force that a new connection asks, the
// speed request of an open at 115200, and the server's answer with `baud`.
const std::string kAskSpeed = Bytes({255, 250, 44, 1, 0, 0, 0, 0, 255, 240});
const std::string kAsk115200 = Bytes({255, 250, 44, 1, 0, 1, 194, 0, 255, 240});
std::string SpeedAnswer(std::uint32_t baud) {
  return Bytes({255, 250, 44, 101, static_cast<int>(baud >> 24), static_cast<int>((baud >> 16) & 255),
                static_cast<int>((baud >> 8) & 255), static_cast<int>(baud & 255), 255, 240});
}

TEST_F(NetPort, ComPortOpenNegotiatesSetsTheLineRaisesDtrAndEscapesIacBothWays) {
  SetUrl(server.Url("rfc2217"), 115200);
  PortResult opened;
  std::thread open([&] { opened = port.Open(); });
  EXPECT_TRUE(server.Accept());
  server.ReceiveUntil(kAskSpeed);
  // The server's own greeting; ECHO is refused, the rest agrees.
  server.Send(Bytes({255, 251, 3, 255, 253, 3, 255, 251, 1, 255, 253, 0, 255, 251, 0, 255, 253, 44}));
  server.Send(SpeedAnswer(57600));
  server.ReceiveUntil(kAsk115200);
  server.Send(SpeedAnswer(115200));
  open.join();
  ASSERT_TRUE(opened.ok()) << static_cast<int>(opened.kind);
  EXPECT_TRUE(opened.notices.empty());
  const std::string purge_and_dtr = Bytes({255, 250, 44, 12, 1, 255, 240, 255, 250, 44, 5, 8, 255, 240});
  // The greeting with the question for the speed, the refusal of ECHO, the
  // line format, then the purge and DTR of every open.
  EXPECT_EQ(
      server.ReceiveUntil(purge_and_dtr),
      Bytes({255, 251, 44, 255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3}) + kAskSpeed +
          Bytes({255, 254, 1}) + kAsk115200 +
          Bytes({255, 250, 44, 2, 8, 255, 240, 255, 250, 44, 3, 1, 255, 240, 255, 250, 44, 4, 1, 255, 240}) +
          purge_and_dtr);

  port.Write(port.PortLock(), Bytes({'A', 255, 'B', '\r'}));
  EXPECT_NE(server.ReceiveUntil(Bytes({'A', 255, 255, 'B', '\r'})).find(Bytes({'A', 255, 255, 'B', '\r'})),
            std::string::npos);
  // A notice split across two sends, between data with an IAC in it.
  server.Send(Bytes({'X', 255, 255, 'Y', 255, 250, 44, 107}));
  server.Send(Bytes({0, 255, 240, 'Z'}));
  EXPECT_EQ(ReadPort(4), Bytes({'X', 255, 'Y', 'Z'}));
}

TEST_F(NetPort, ComPortSpeedTheServerReportsDifferentlyIsRefused) {
  SetUrl(server.Url("rfc2217"), 115200);
  PortResult opened;
  std::thread open([&] { opened = port.Open(); });
  EXPECT_TRUE(server.Accept());
  server.ReceiveUntil(kAskSpeed);
  server.Send(SpeedAnswer(57600));
  server.ReceiveUntil(kAsk115200);
  server.Send(SpeedAnswer(9600));
  open.join();
  EXPECT_EQ(opened.kind, PortErrorKind::kBaudRefused);
  EXPECT_EQ(opened.baud, 115200u);
  EXPECT_FALSE(port.IsOpen());
}

// ser2net still letting go of its serial port after the last client closes
// the next connection at once; the open tries again.
TEST_F(NetPort, AConnectionTurnedAwayIsTriedAgain) {
  SetUrl(server.Url("tcp"), 57600);
  PortResult opened;
  std::thread open([&] { opened = port.Open(); });
  EXPECT_TRUE(server.Accept());
  server.Send("Port's device already in use\r\n");
  server.Drop();
  EXPECT_TRUE(server.Accept());
  open.join();
  ASSERT_TRUE(opened.ok()) << static_cast<int>(opened.kind);
  port.Write(port.PortLock(), "AT\r\n");
  EXPECT_EQ(server.ReceiveUntil("AT\r\n"), "AT\r\n");
}

// A server that keeps turning connections away, each after 400 ms: the
// attempt begun just before the 3 s limit is not taken as kept for want of
// time to be turned away.
TEST_F(NetPort, AServerThatTurnsEveryConnectionAwayIsBusy) {
  SetUrl(server.Url("rfc2217"), 57600);
  std::atomic<bool> opening{true};
  std::thread refuse([&] {
    while (opening.load()) {
      if (!server.Accept(50)) continue;
      std::this_thread::sleep_for(400ms);
      server.Drop();
    }
  });
  const PortResult opened = port.Open();
  opening.store(false);
  refuse.join();
  EXPECT_EQ(opened.kind, PortErrorKind::kBusy);
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(NetPort, RawPassesEveryByteUnchanged) {
  SetUrl(server.Url("tcp"), 57600);
  ASSERT_TRUE(port.Open().ok());
  ASSERT_TRUE(server.Accept());
  port.Write(port.PortLock(), Bytes({'A', 255, 250, 'B'}));
  EXPECT_EQ(server.ReceiveUntil(Bytes({'A', 255, 250, 'B'})), Bytes({'A', 255, 250, 'B'}));
  server.Send(Bytes({'X', 255, 255, 'Y'}));
  EXPECT_EQ(ReadPort(4), Bytes({'X', 255, 255, 'Y'}));
}

}  // namespace
}  // namespace zt
