// What the AT terminal puts on the wire for the operator's input: the input
// line (text or hexadecimal, with or without a line end), Ctrl+Z and the
// quick-send rows. Pure functions over GBK bytes; the window decides which
// message to show for a refusal.
//
// Thread safety: every function is pure and may be called from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zt {

// The longest command the terminal sends with Ctrl+Z or from a quick-send row.
inline constexpr std::size_t kMaxTerminalCommand = 1024;
// The byte Ctrl+Z sends: the end of an SMS text after AT+CMGS.
inline constexpr char kCtrlZ = 0x1A;
inline constexpr std::string_view kTerminalLineEnd = "\r\n";

// 0 to 9, a to f, A to F and the blank: what hexadecimal input may hold.
bool IsHexInputChar(char c);
// True when `text` holds a byte outside that set.
bool HasForeignHexChar(std::string_view text);

// Blanks removed and a to f taken as A to F, every pair of digits gives one
// byte, the first digit the high half. Nothing when no digit is left, when
// the count of digits is odd, or when any character is not a digit.
//   "41 42 0d" -> 41 42 0D, "4 1" -> 41, "414" -> nothing
std::optional<std::string> ParseHexInput(std::string_view text);

// The text with every blank removed.
std::string WithoutBlanks(std::string_view text);

// The input line's send ("发送", Enter, each tick of the timed send).
enum class InputVerdict {
  kSend,              // bytes go on the wire
  kEmpty,             // nothing typed: nothing is sent
  kForeignCharacter,  // hexadecimal mode and a character outside the set
  kMalformedHex,      // hexadecimal mode and ParseHexInput refused
};
struct InputData {
  InputVerdict verdict = InputVerdict::kEmpty;
  std::string bytes;
};
// Hexadecimal input sends exactly its bytes; text gets CR LF when `new_line`.
InputData BuildInputData(std::string_view gbk_text, bool hex, bool new_line);

// Ctrl+Z in the input line: the text followed by 0x1A (never a line end).
enum class CtrlZVerdict {
  kSend,
  kNothing,  // hexadecimal mode or nothing typed
  kTooLong,  // more than kMaxTerminalCommand bytes
};
struct CtrlZData {
  CtrlZVerdict verdict = CtrlZVerdict::kNothing;
  std::string bytes;
};
CtrlZData BuildCtrlZData(std::string_view gbk_text, bool hex);

// A quick-send row is sent (after the pause) only when it holds 1 to
// kMaxTerminalCommand bytes.
bool RowIsSendable(std::string_view gbk_text);
// The bytes of a row: its hexadecimal bytes (nothing when ParseHexInput
// refuses) or its text with the blanks removed; CR LF after either when
// `new_line`. May be empty: then nothing goes on the wire.
std::string BuildRowData(std::string_view gbk_text, bool hex, bool new_line);

// The period edit holds digits only: their value, saturated at the largest
// 32-bit value; no digits read as 0.
std::uint32_t ParsePeriodText(std::string_view text);
// A timer period as the system's timers take it: at least 10 ms, at most the
// largest int.
int TimerPeriodMs(std::uint32_t period);

}  // namespace zt
