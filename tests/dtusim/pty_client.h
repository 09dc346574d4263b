// A scripted client for the far end of dtusim's line: opens the tty with
// plain POSIX calls (raw mode, no serial code of the tool), writes commands
// and reads what comes back.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace zt::test {

class PtyClient {
 public:
  explicit PtyClient(const std::string& path);
  // Takes over an open descriptor (the master side of a pair the test made).
  explicit PtyClient(int fd) : fd_(fd) {}
  ~PtyClient();
  PtyClient(const PtyClient&) = delete;
  PtyClient& operator=(const PtyClient&) = delete;

  bool is_open() const { return fd_ >= 0; }
  void Send(std::string_view bytes);
  // Reads until what arrived since the last read call ends with `tail` (or
  // contains it, with `anywhere`), or `limit` passes; returns what arrived.
  std::string ReadUntil(std::string_view tail, std::chrono::milliseconds limit = std::chrono::seconds(5),
                        bool anywhere = false);
  // Reads until the answer ends with "OK\r\n" or "ERROR\r\n".
  std::string ReadAnswer(std::chrono::milliseconds limit = std::chrono::seconds(5));
  // Sends a command and reads its answer.
  std::string Exchange(std::string_view command);
  // Reads whatever arrives within `period`.
  std::string ReadFor(std::chrono::milliseconds period);
  // Wakes the unit with 20 blanks and logs in with `password`.
  bool WakeAndLogin(std::string_view password = "pilot");
  // True once the line reports a hang-up (the far end closed it).
  bool HungUp(std::chrono::milliseconds limit = std::chrono::seconds(5));

 private:
  int fd_ = -1;
};

}  // namespace zt::test
