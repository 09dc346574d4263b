// The wire log: every chunk the simulated DTU received or sent, one line each:
//   <monotonic seconds.microseconds> TAB <direction> TAB <hex bytes> TAB <printable>
// Direction "<" is received by the DTU, ">" sent by it, "#" a note (the hex
// field then holds the note's text). Hex bytes are two upper-case digits
// separated by single blanks; the printable rendering shows bytes 0x20 to
// 0x7E as themselves and every other byte as ".".
//
// Each line is flushed as it is written, so a reader may follow the file
// while the simulator runs. Not thread-safe: one serving thread owns it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace zt::dtusim {

// One log line (with its LF) for a chunk seen at `micros` on the monotonic clock.
std::string FormatWireLogLine(std::int64_t micros, char direction, std::string_view bytes);

class WireLog {
 public:
  WireLog() = default;
  ~WireLog();
  WireLog(const WireLog&) = delete;
  WireLog& operator=(const WireLog&) = delete;

  // Creates or truncates the file; false with a message when it cannot.
  bool Open(const std::string& path, std::string* error);
  void Received(std::string_view bytes) { Write('<', bytes); }
  void Sent(std::string_view bytes) { Write('>', bytes); }
  void Note(std::string_view text);

 private:
  void Write(char direction, std::string_view bytes);
  std::FILE* file_ = nullptr;
};

}  // namespace zt::dtusim
