// The AT terminal's hex view: received bytes as rows of 16 hex pairs with the
// text beside them.
//
//   41 54 2B 43 53 51 0D 0A 2B 43 53 51 3A 20 32 33  AT+CSQ..+CSQ: 23
//
// The text column shows printable ASCII as it is, a whole GBK character
// inside the row as that character, and every other byte (NUL, control
// bytes, 0x7F, a GBK byte without its partner in the row, invalid GBK) as
// ".", so the column is always valid GBK and holds no control byte. A short
// row keeps the text column in line with the full rows.
//
// Thread safety: an object belongs to one thread; FormatHexRow is pure.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "terminal/time_stamp.h"

namespace zt {

inline constexpr std::size_t kHexRowBytes = 16;

// One row (up to 16 bytes) without a line end.
std::string FormatHexRow(std::string_view bytes);

// The bytes as hex pairs separated by blanks ("41 54 0D"), any length.
std::string HexPairs(std::string_view bytes);

// Cuts a stream into rows. A row is written once it holds 16 bytes, or by
// Flush; with `stamp` on it starts with the local time of its first byte
// ("HH:MM:SS.mmm "). Every row ends in CR LF.
class HexDumper {
 public:
  void Feed(std::string_view bytes, TerminalTime when, bool stamp, std::string& out);
  // Writes the row in progress, if any.
  void Flush(bool stamp, std::string& out);
  // Bytes of the row in progress.
  std::size_t PartialRowSize() const { return row_.size(); }

 private:
  void WriteRow(bool stamp, std::string& out);

  std::string row_;
  TerminalTime row_time_{};
};

}  // namespace zt
