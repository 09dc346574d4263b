#include "prodtest/unit_recorder.h"

#include "text/gbk_literal.h"

namespace zt {

using namespace zt::literals;

std::string_view RecordsRequiredStopLine() { return "无法写入测试记录，测试停止"_gbk; }

std::string_view DuplicateImeiCheckName() { return "重复IMEI检查"_gbk; }

std::string VersionValue(std::string_view excerpt) {
  std::size_t at = excerpt.find("SPSV");
  if (at == std::string_view::npos) return {};
  at += 4;
  while (at < excerpt.size() && (excerpt[at] == '=' || excerpt[at] == ':' || excerpt[at] == ' ')) ++at;
  const std::size_t end = excerpt.find_first_of("\r\n", at);
  return std::string(excerpt.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
}

}  // namespace zt
