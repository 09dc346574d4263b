// Control bytes: below 0x20, and DEL (0x7F).
//
// The DTU ends a command line at CR or LF, so such a byte inside a value
// would start a command of its own; on the operator's terminal it would move
// the cursor, retitle the window or clear the screen. A value never carries
// one to the wire, and whatever a unit sends is escaped before it is printed.
//
// Thread safety: pure functions.
#pragma once

#include <algorithm>
#include <string_view>

namespace zt {

constexpr bool IsControlByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

// True when any byte of the text is a control byte. (The trail byte of a
// double-byte GBK character is 0x40 or above, so it never counts.)
constexpr bool HasControlByte(std::string_view text) {
  return std::any_of(text.begin(), text.end(), IsControlByte);
}

}  // namespace zt
