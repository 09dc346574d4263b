#include "prodtest/test_view_fields.h"

#include <limits>

#include "text/gbk_literal.h"

namespace zt {

using namespace zt::literals;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The number of a field, or nothing when the field holds anything else or
// the value leaves [lowest, highest].
std::optional<std::int64_t> ReadField(std::string_view text, std::int64_t lowest, std::int64_t highest) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  // The limit is checked digit by digit, so no count of digits overflows.
  const std::int64_t limit = negative ? -lowest : highest;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace

std::optional<std::int32_t> ReadWaitTimeField(std::string_view text) {
  const std::optional<std::int64_t> value =
      ReadField(text, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
  if (!value) return std::nullopt;
  return static_cast<std::int32_t>(*value);
}

std::optional<std::int64_t> ReadSignalThresholdField(std::string_view text) {
  return ReadField(text, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::uint32_t>::max());
}

std::string_view IntegerFieldMessage() { return "请输入一个整数。"_gbk; }

}  // namespace zt
