#include "text/utf8_escape.h"

#include <cstdio>

namespace zt {

std::string EscapeUtf8Controls(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const bool c1 = byte == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(utf8[i + 1]) <= 0x9F;
    if (byte < 0x20 || byte == 0x7F || c1) {
      char escaped[16];
      if (c1) {
        std::snprintf(escaped, sizeof escaped, "\\xC2\\x%02X", static_cast<unsigned char>(utf8[++i]));
      } else {
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      }
      out += escaped;
    } else {
      out += utf8[i];
    }
  }
  return out;
}

}  // namespace zt
