// Number reading as the C library does it, without its undefined behaviour.
#pragma once

#include <cstdint>
#include <string_view>

namespace zt {

// strtol(text, nullptr, 10) on a 64-bit system: leading blanks skipped, an
// optional sign, then decimal digits up to the first other character; no
// digits give 0; a value beyond the range saturates.
long long LeadingInteger(std::string_view text);

// atoi as glibc computes it: the leading integer truncated to 32 bits.
inline std::int32_t Atoi(std::string_view text) {
  return static_cast<std::int32_t>(static_cast<std::uint64_t>(LeadingInteger(text)));
}

// strtoul(text, nullptr, 16) semantics with an optional "0x"/"0X" prefix;
// `ok` is false when no hexadecimal digit was found.
std::uint64_t LeadingHex(std::string_view text, bool* ok = nullptr);

}  // namespace zt
