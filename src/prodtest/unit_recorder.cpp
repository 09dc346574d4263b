#include "prodtest/unit_recorder.h"

#include "text/gbk_literal.h"

namespace zt {

using namespace zt::literals;

std::string_view RecordsRequiredStopLine() { return "无法写入测试记录，测试停止"_gbk; }

std::string_view DuplicateImeiCheckName() { return "重复IMEI检查"_gbk; }

std::string VersionValue(std::string_view excerpt) {
  // The excerpt may begin with the command's echo ("...=SPSV\r\n"): the
  // value follows the "SPSV" that has its "=" or ":".
  std::size_t at = 0;
  for (;; at += 4) {
    at = excerpt.find("SPSV", at);
    if (at == std::string_view::npos) return {};
    if (at + 4 < excerpt.size() && (excerpt[at + 4] == '=' || excerpt[at + 4] == ':')) break;
  }
  at += 5;
  while (at < excerpt.size() && excerpt[at] == ' ') ++at;
  const std::size_t end = excerpt.find_first_of("\r\n", at);
  return std::string(excerpt.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
}

}  // namespace zt
