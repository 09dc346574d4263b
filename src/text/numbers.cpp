#include "text/numbers.h"

#include <climits>

namespace zt {
namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

long long LeadingInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  unsigned long long magnitude = 0;
  bool saturated = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (magnitude > (ULLONG_MAX - digit) / 10) {
      saturated = true;
    } else {
      magnitude = magnitude * 10 + digit;
    }
  }
  if (negative) {
    if (saturated || magnitude > static_cast<unsigned long long>(LLONG_MAX) + 1) return LLONG_MIN;
    return static_cast<long long>(0 - magnitude);
  }
  if (saturated || magnitude > static_cast<unsigned long long>(LLONG_MAX)) return LLONG_MAX;
  return static_cast<long long>(magnitude);
}

std::uint64_t LeadingHex(std::string_view text, bool* ok) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      i + 2 < text.size() && HexDigit(text[i + 2]) >= 0) {
    i += 2;
  }
  std::uint64_t value = 0;
  bool any = false;
  for (; i < text.size() && HexDigit(text[i]) >= 0; ++i) {
    any = true;
    if (value > (UINT64_MAX >> 4)) {
      value = UINT64_MAX;
    } else {
      value = (value << 4) | static_cast<unsigned>(HexDigit(text[i]));
    }
  }
  if (ok != nullptr) *ok = any;
  return value;
}

}  // namespace zt
