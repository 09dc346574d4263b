#include "terminal/terminal_input.h"

#include <limits>

namespace zt {
namespace {

// The system's timers run no faster than this.
constexpr int kMinimumTimerMs = 10;

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool IsHexInputChar(char c) { return c == ' ' || HexDigitValue(c) >= 0; }

bool HasForeignHexChar(std::string_view text) {
  for (const char c : text) {
    if (!IsHexInputChar(c)) return true;
  }
  return false;
}

std::string WithoutBlanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c != ' ') out.push_back(c);
  }
  return out;
}

std::optional<std::string> ParseHexInput(std::string_view text) {
  const std::string digits = WithoutBlanks(text);
  if (digits.empty() || digits.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  bytes.reserve(digits.size() / 2);
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = HexDigitValue(digits[i]);
    const int low = HexDigitValue(digits[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<char>(high * 16 + low));
  }
  return bytes;
}

InputData BuildInputData(std::string_view gbk_text, bool hex, bool new_line) {
  if (gbk_text.empty()) return {InputVerdict::kEmpty, {}};
  if (hex) {
    if (HasForeignHexChar(gbk_text)) return {InputVerdict::kForeignCharacter, {}};
    std::optional<std::string> bytes = ParseHexInput(gbk_text);
    if (!bytes) return {InputVerdict::kMalformedHex, {}};
    return {InputVerdict::kSend, std::move(*bytes)};
  }
  std::string bytes(gbk_text);
  if (new_line) bytes += kTerminalLineEnd;
  return {InputVerdict::kSend, std::move(bytes)};
}

CtrlZData BuildCtrlZData(std::string_view gbk_text, bool hex) {
  if (hex || gbk_text.empty()) return {CtrlZVerdict::kNothing, {}};
  if (gbk_text.size() > kMaxTerminalCommand) return {CtrlZVerdict::kTooLong, {}};
  std::string bytes(gbk_text);
  bytes.push_back(kCtrlZ);
  return {CtrlZVerdict::kSend, std::move(bytes)};
}

bool RowIsSendable(std::string_view gbk_text) {
  return !gbk_text.empty() && gbk_text.size() <= kMaxTerminalCommand;
}

std::string BuildRowData(std::string_view gbk_text, bool hex, bool new_line) {
  std::string bytes = hex ? ParseHexInput(gbk_text).value_or(std::string()) : WithoutBlanks(gbk_text);
  if (new_line) bytes += kTerminalLineEnd;
  return bytes;
}

std::uint32_t ParsePeriodText(std::string_view text) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > kMax) return static_cast<std::uint32_t>(kMax);
  }
  return static_cast<std::uint32_t>(value);
}

int TimerPeriodMs(std::uint32_t period) {
  if (period < static_cast<std::uint32_t>(kMinimumTimerMs)) return kMinimumTimerMs;
  if (period > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
    return std::numeric_limits<int>::max();
  return static_cast<int>(period);
}

}  // namespace zt
