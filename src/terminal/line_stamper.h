// Time stamps in front of received lines: each line starts with the local
// time its first byte arrived, "HH:MM:SS.mmm " (with the blank). A line ends
// at LF; the stamp of the next line is written when that line's first byte
// comes, so a line split across reads carries the time of its first piece.
//
// The stamper also tracks where the text it has seen stands (at a line start
// or inside a line) while stamping is off, so that switching it on mid-line
// stamps from the next line on, and a sent block can start a line of its own.
//
// Thread safety: an object belongs to one thread.
#pragma once

#include <string>
#include <string_view>

#include "terminal/time_stamp.h"

namespace zt {

class LineStamper {
 public:
  // Appends `text` to `out`, with a stamp of `when` in front of every line
  // that starts in it when `stamp` is on.
  void Feed(std::string_view text, TerminalTime when, bool stamp, std::string& out);
  // Appends CR LF unless the text so far ends a line.
  void EndLine(std::string& out);
  // The text so far ends a line (true at the start).
  bool AtLineStart() const { return at_line_start_; }
  // Text that ends a line was written past the stamper (a hex row, a sent block).
  void MarkLineStart() { at_line_start_ = true; }

 private:
  bool at_line_start_ = true;
};

// The stamp and its blank: "HH:MM:SS.mmm ".
std::string LineStamp(TerminalTime when);

}  // namespace zt
