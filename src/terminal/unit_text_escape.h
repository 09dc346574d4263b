// What a unit sends, made safe for a terminal: GBK turned into UTF-8, and
// every byte that could move the cursor or start an escape sequence shown as
// the four characters \xNN instead. Only the line ends stay line ends:
// CR LF, a lone LF and a lone CR each become one "\n".
//
//   "OK\r\n"          -> "OK\n"
//   "\x1B[2J\x07"     -> "\x1B[2J\x07" as text (backslash, x, 1, B, ...)
//   "\xFF" (not GBK)  -> "\xFF" as text
//
// The escaper takes a stream in pieces: a GBK character split between two
// pieces is shown whole, and the LF of a CR LF split between them is not a
// second line end.
//
// Thread safety: an object belongs to one thread; EscapeUnitLine is pure.
#pragma once

#include <string>
#include <string_view>

namespace zt {

class UnitTextEscaper {
 public:
  // The UTF-8 text of the next piece; a lead byte at its end waits for the
  // next piece.
  std::string Feed(std::string_view gbk);
  // The text of a lead byte still waiting (escaped), at the end of the stream.
  std::string Finish();

 private:
  std::string held_;  // a GBK lead byte at the end of the last piece
  bool after_cr_ = false;
};

// One line (no line ends expected) made safe: a CR or LF inside shows as \xNN
// as every other control byte does: the text GbkToUtf8ForTerminal gives.
std::string EscapeUnitLine(std::string_view gbk);

}  // namespace zt
