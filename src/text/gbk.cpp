#include "text/gbk.h"

#include <array>
#include <cstdint>

#include "text/control_bytes.h"

namespace zt {
namespace {

constexpr unsigned kLeadFirst = 0x81;
constexpr unsigned kLeadLast = 0xFE;
constexpr unsigned kTrailFirst = 0x40;
constexpr unsigned kTrailLast = 0xFE;
constexpr unsigned kTrailCount = kTrailLast - kTrailFirst + 1;

// Code point of each double-byte code, 0 where the pair is not a character.
constexpr std::uint16_t kDecodeTable[] = {
#include "zereltool/gbk_decode_table.inc"
};
static_assert(sizeof kDecodeTable / sizeof kDecodeTable[0] ==
              (kLeadLast - kLeadFirst + 1) * kTrailCount);

// Code point of the character at `gbk[i]` and its length in bytes, or length 0
// when the byte there does not start a valid character.
struct Decoded {
  std::uint32_t code_point = 0;
  std::size_t length = 0;
};

Decoded DecodeAt(std::string_view gbk, std::size_t i) {
  const auto lead = static_cast<unsigned char>(gbk[i]);
  if (lead < 0x80) return {lead, 1};
  if (lead < kLeadFirst || lead > kLeadLast || i + 1 >= gbk.size()) return {};
  const auto trail = static_cast<unsigned char>(gbk[i + 1]);
  if (trail < kTrailFirst || trail > kTrailLast) return {};
  const std::uint16_t cp = kDecodeTable[(lead - kLeadFirst) * kTrailCount + (trail - kTrailFirst)];
  if (cp == 0) return {};
  return {cp, 2};
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Which valid single bytes go to `on_invalid` as well.
enum class AlsoEscaped { kNothing, kZero, kControls };

bool Escaped(AlsoEscaped also, char c) {
  if (also == AlsoEscaped::kZero) return c == '\0';
  return also == AlsoEscaped::kControls && IsControlByte(c);
}

template <typename OnInvalid>
std::string Decode(std::string_view gbk, OnInvalid on_invalid, AlsoEscaped also = AlsoEscaped::kNothing) {
  std::string out;
  out.reserve(gbk.size() + gbk.size() / 2);
  for (std::size_t i = 0; i < gbk.size();) {
    const Decoded d = DecodeAt(gbk, i);
    if (d.length == 0 || Escaped(also, gbk[i])) {
      on_invalid(out, static_cast<unsigned char>(gbk[i]));
      ++i;
    } else {
      AppendUtf8(out, d.code_point);
      i += d.length;
    }
  }
  return out;
}

// Next code point of UTF-8 text, or nothing (and one byte consumed) when the
// text is not valid UTF-8 there.
std::optional<std::uint32_t> NextUtf8(std::string_view utf8, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(utf8[i]);
  std::size_t len = 0;
  std::uint32_t cp = 0;
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4;
    cp = b0 & 0x07;
  } else {
    ++i;
    return std::nullopt;
  }
  if (i + len > utf8.size()) {
    ++i;
    return std::nullopt;
  }
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(utf8[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return std::nullopt;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  i += len;
  return cp;
}

template <typename OnFailure>
bool Encode(std::string_view utf8, std::string& out, OnFailure on_failure) {
  out.reserve(utf8.size());
  bool ok = true;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::optional<std::uint32_t> cp = NextUtf8(utf8, i);
    if (cp && *cp < 0x80) {
      out += static_cast<char>(*cp);
      continue;
    }
    const int code = cp ? gbk_detail::EncodeCodePoint(*cp) : -1;
    if (code < 0) {
      ok = false;
      if (!on_failure(out)) return false;
      continue;
    }
    out += static_cast<char>(static_cast<unsigned>(code) >> 8);
    out += static_cast<char>(static_cast<unsigned>(code) & 0xFF);
  }
  return ok;
}

// A byte shown as the four characters "\xNN".
void AppendEscapedByte(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  return Decode(gbk, [](std::string& out, unsigned char) { AppendUtf8(out, 0xFFFD); });
}

std::string GbkToUtf8Escaped(std::string_view gbk) {
  return Decode(gbk, AppendEscapedByte, AlsoEscaped::kZero);
}

std::string GbkToUtf8ForTerminal(std::string_view gbk) {
  return Decode(gbk, AppendEscapedByte, AlsoEscaped::kControls);
}

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
  std::string out;
  if (!Encode(utf8, out, [](std::string&) { return false; })) return std::nullopt;
  return out;
}

std::string Utf8ToGbkLossy(std::string_view utf8, char replacement) {
  std::string out;
  Encode(utf8, out, [replacement](std::string& o) {
    o += replacement;
    return true;
  });
  return out;
}

bool IsValidGbk(std::string_view gbk) {
  for (std::size_t i = 0; i < gbk.size();) {
    const Decoded d = DecodeAt(gbk, i);
    if (d.length == 0) return false;
    i += d.length;
  }
  return true;
}

}  // namespace zt
