#include "prodtest/config_file_reader.h"

#include "params/channel_modes.h"
#include "text/gbk_literal.h"

namespace zt {

using namespace zt::literals;

namespace {

// The test reads the file into 512-byte buffers.
constexpr std::size_t kValueBuffer = 512;

}  // namespace

std::int32_t ConfigFileModeBit(std::string_view token) {
  for (const std::int32_t mode : {kModeSin, kModeBak, kModeMul, kModeMulb}) {
    if (token == ModeToken(mode)) return mode;
  }
  return 0;
}

ConfigFileReader::ConfigFileReader(const std::string& path) : file_(ProfileFile::Load(path)) {}

std::string ConfigFileReader::Value(std::string_view section, std::string_view key) const {
  std::string value = file_.Get(section, key).value_or(std::string());
  if (value.size() > kValueBuffer - 1) value.resize(kValueBuffer - 1);
  return value;
}

std::int32_t ConfigFileReader::ModeBit() const {
  return ConfigFileModeBit(Value("运行参数"_gbk, "DTU通道运行模式"_gbk));
}

}  // namespace zt
