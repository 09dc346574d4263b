#include "serial/dtu_commands.h"

#include "text/control_bytes.h"

namespace zt {
namespace {

constexpr std::string_view kSetParam = "AT+SETPARAM=";
constexpr std::string_view kSetImei = "AT+SETIMEI=";
constexpr std::string_view kProductNumberKeyword = "SPPID";
constexpr std::string_view kImeiKeyword = "IMEINUMBER";
constexpr std::string_view kLineEnd = "\r\n";

// `head` + `text` + CR LF; nothing when either holds a control byte.
std::optional<std::string> CommandLine(std::string_view head, std::string_view text) {
  if (HasControlByte(head) || HasControlByte(text)) return std::nullopt;
  std::string line;
  line.reserve(head.size() + text.size() + kLineEnd.size());
  line.append(head).append(text).append(kLineEnd);
  return line;
}

}  // namespace

std::optional<std::string> SetParamCommand(std::string_view keyword, std::string_view value) {
  return CommandLine(std::string(kSetParam).append(keyword).append(","), value);
}

std::optional<std::string> SetProductNumberCommand(std::string_view product_number) {
  return SetParamCommand(kProductNumberKeyword, product_number);
}

std::optional<std::string> SetImeiCommand(std::string_view imei, bool s3) {
  return s3 ? SetParamCommand(kImeiKeyword, imei) : CommandLine(kSetImei, imei);
}

}  // namespace zt
