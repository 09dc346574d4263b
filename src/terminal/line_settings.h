// The AT terminal's five line-settings lists: their entries in the order
// shown, the entry chosen when the terminal opens, and what a chosen entry
// asks of the port (a kind and a code for CSerialPort::SetLineSetting).
//
// Thread safety: constant tables and pure functions.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zt {

enum class LineList : int { kBaud = 0, kDataBits, kStopBits, kParity, kFlowControl };
inline constexpr int kLineListCount = 5;

struct LineListInfo {
  std::string_view label;                     // GBK
  std::span<const std::string_view> entries;  // in the order shown, never sorted
  int initial;                                // index chosen when the terminal opens
};

// The list's label, entries and initial choice. The initial choices do not
// reflect the port's settings.
const LineListInfo& LineListFor(LineList list);

struct LineSettingCode {
  int kind;             // LineSettingKind of serial/serial_port.h
  std::uint32_t value;  // the code stored in the tool settings
};

// The kind and code of an entry's text:
//   baud, data bits: the decimal value of the text
//   stop bits: "1" 0, "1.5" 1, anything else 2
//   parity: "NONE" 0, "ODD" 1, "EVEN" 2, "MARK" 3, anything else 4
//   flow control: "NONE" 1, "HW" 2, anything else 3
LineSettingCode LineSettingFromEntry(LineList list, std::string_view text);

}  // namespace zt
