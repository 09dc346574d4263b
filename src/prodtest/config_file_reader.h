// The configuration file as the production test reads it: loaded once per
// step, values read up to 511 bytes (an absent entry reads as empty).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/profile_file.h"

namespace zt {

// The mode bit of a "DTU通道运行模式" token: "SIN" 1, "BAK" 2, "MUL" 4,
// "MULB" 8; 0 (no mode) for anything else, the empty text included.
std::int32_t ConfigFileModeBit(std::string_view token);

class ConfigFileReader {
 public:
  // An absent or unreadable file reads as empty.
  explicit ConfigFileReader(const std::string& path);

  std::string Value(std::string_view section, std::string_view key) const;
  // The mode bit of the file's "DTU通道运行模式" in "运行参数".
  std::int32_t ModeBit() const;

 private:
  ProfileFile file_;
};

}  // namespace zt
