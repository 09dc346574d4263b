// printf-style formatting of the tool's texts.
//
//     Format("打开%s成功"_gbk, port_name)
//
// The format must be followed by a zero byte (every "..."_gbk literal is);
// std::string arguments are passed as their C strings.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>

namespace zt {
namespace format_detail {

inline const char* Arg(const std::string& s) { return s.c_str(); }
template <typename T>
T Arg(T value) {
  static_assert(!std::is_same_v<T, std::string_view>, "string_view is not zero-terminated");
  return value;
}

}  // namespace format_detail

template <typename... Args>
std::string Format(std::string_view format, const Args&... args) {
  char small[256];
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
#endif
  const int n = std::snprintf(small, sizeof small, format.data(), format_detail::Arg(args)...);
  if (n < 0) return {};
  if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, static_cast<std::size_t>(n));
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), format.data(), format_detail::Arg(args)...);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  out.resize(static_cast<std::size_t>(n));
  return out;
}

}  // namespace zt
