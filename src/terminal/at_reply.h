// The reply to one AT command typed from the shell: the lines the unit sends
// back after the command's echo, up to and including the line that ends it.
//
//   sent "AT+CSQ\r\n", received "AT+CSQ\r\n+CSQ: 23,99\r\nOK\r\n"
//   -> lines "+CSQ: 23,99", "OK"; ended by OK
//
// Lines end at LF (a CR before it is dropped). The first line that repeats
// the command exactly is its echo: it is left out, and so are the lines
// before it, left over from an earlier command (such as the late answer to a
// login sent twice); a unit with the echo off simply does not send it. Empty
// lines are left out. A line reading "OK"
// ends the reply with success; "ERROR", or one starting "+CME ERROR" or
// "+CMS ERROR", with an error. These are whole lines: a value holding the
// letters OK does not end the reply.
//
// Thread safety: an object belongs to one thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zt {

enum class AtReplyEnd { kOpen, kOk, kError };

class AtReplyCollector {
 public:
  // `command` as sent, without its line end.
  explicit AtReplyCollector(std::string command) : command_(std::move(command)) {}

  // Bytes as they come; returns how the reply stands. Bytes after the ending
  // line are ignored.
  AtReplyEnd Feed(std::string_view bytes);
  AtReplyEnd End() const { return end_; }

  // The reply's complete lines so far, without line ends.
  const std::vector<std::string>& Lines() const { return lines_; }
  // Whether the command's echo came: lines up to it may yet be dropped.
  bool EchoSeen() const { return echo_seen_; }
  // A line begun but not ended (what is there at a time-out).
  const std::string& Partial() const { return partial_; }

 private:
  void TakeLine(std::string line);

  std::string command_;
  std::vector<std::string> lines_;
  std::string partial_;
  bool echo_seen_ = false;
  AtReplyEnd end_ = AtReplyEnd::kOpen;
};

}  // namespace zt
