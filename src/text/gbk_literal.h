// GBK text literals written in readable UTF-8 source.
//
// The tool's own texts (run-log lines, messages, captions, wire commands) are
// GBK bytes. Source files are UTF-8, so a literal is written as
//
//     using namespace zt::literals;
//     log("登录DTU失败***\r\n"_gbk);
//
// and the compiler turns it into GBK bytes while it compiles: the conversion
// costs nothing at run time, and a character that GBK cannot hold is a compile
// error. The result is a std::string_view over static storage whose data() is
// followed by a zero byte, so it can also be handed to C formatting functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zt::gbk_detail {

struct EncodePair {
  std::uint16_t code_point;
  std::uint16_t gbk;
};

// Every double-byte GBK character, sorted by code point (generated at build time).
inline constexpr EncodePair kEncodeTable[] = {
#include "zereltool/gbk_encode_table.inc"
};

// GBK code of a code point above 0x7F, or -1 when GBK has no such character.
constexpr int EncodeCodePoint(std::uint32_t code_point) {
  std::size_t lo = 0;
  std::size_t hi = sizeof kEncodeTable / sizeof kEncodeTable[0];
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (kEncodeTable[mid].code_point < code_point) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  if (lo < sizeof kEncodeTable / sizeof kEncodeTable[0] && kEncodeTable[lo].code_point == code_point) {
    return kEncodeTable[lo].gbk;
  }
  return -1;
}

template <std::size_t N>
struct Utf8Literal {
  char bytes[N]{};
  consteval Utf8Literal(const char (&text)[N]) {  // NOLINT: implicit by design
    for (std::size_t i = 0; i < N; ++i) bytes[i] = text[i];
  }
};

template <std::size_t N>
struct GbkBytes {
  char data[N]{};  // GBK is never longer than UTF-8; the rest stays zero
  std::size_t size = 0;
};

template <std::size_t N>
consteval GbkBytes<N> ToGbk(const char (&utf8)[N]) {
  GbkBytes<N> out;
  std::size_t i = 0;
  const std::size_t end = N - 1;  // the literal's terminating zero
  while (i < end) {
    const auto b0 = static_cast<unsigned char>(utf8[i]);
    std::uint32_t cp = 0;
    std::size_t len = 0;
    if (b0 < 0x80) {
      cp = b0;
      len = 1;
    } else if ((b0 & 0xE0) == 0xC0) {
      cp = b0 & 0x1Fu;
      len = 2;
    } else if ((b0 & 0xF0) == 0xE0) {
      cp = b0 & 0x0Fu;
      len = 3;
    } else {
      throw "a _gbk literal holds a character outside the Basic Multilingual Plane or bad UTF-8";
    }
    if (i + len > end) throw "a _gbk literal ends inside a UTF-8 sequence";
    for (std::size_t k = 1; k < len; ++k) {
      const auto b = static_cast<unsigned char>(utf8[i + k]);
      if ((b & 0xC0) != 0x80) throw "a _gbk literal holds bad UTF-8";
      cp = (cp << 6) | (b & 0x3Fu);
    }
    i += len;
    if (cp < 0x80) {
      out.data[out.size++] = static_cast<char>(cp);
      continue;
    }
    const int code = EncodeCodePoint(cp);
    if (code < 0) throw "a _gbk literal holds a character that GBK cannot encode";
    out.data[out.size++] = static_cast<char>(static_cast<unsigned>(code) >> 8);
    out.data[out.size++] = static_cast<char>(static_cast<unsigned>(code) & 0xFFu);
  }
  return out;
}

template <Utf8Literal S>
inline constexpr GbkBytes<sizeof S.bytes> kGbkLiteral = ToGbk(S.bytes);

// The literal's view lives in static storage too, and the operator hands out
// a reference to it: clang 14 crashes when a std::string is initialised from
// a string_view returned by value here, and the reference behaves the same.
template <Utf8Literal S>
inline constexpr std::string_view kGbkView{kGbkLiteral<S>.data, kGbkLiteral<S>.size};

}  // namespace zt::gbk_detail

namespace zt::literals {

template <gbk_detail::Utf8Literal S>
constexpr const std::string_view& operator""_gbk() {
  return gbk_detail::kGbkView<S>;
}

}  // namespace zt::literals
