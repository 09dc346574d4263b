#include "terminal/line_settings.h"

#include <array>

#include "serial/serial_port.h"
#include "text/gbk_literal.h"
#include "text/numbers.h"

namespace zt {
namespace {

using namespace zt::literals;
using namespace std::string_view_literals;

constexpr std::array<std::string_view, 14> kBauds = {"110"sv,   "300"sv,    "600"sv,    "1200"sv,  "2400"sv,
                                                     "4800"sv,  "9600"sv,   "14400"sv,  "19200"sv, "38400"sv,
                                                     "57600"sv, "115200"sv, "128000"sv, "256000"sv};
constexpr std::array<std::string_view, 4> kDataBits = {"8"sv, "7"sv, "6"sv, "5"sv};
constexpr std::array<std::string_view, 3> kStopBits = {"1"sv, "1.5"sv, "2"sv};
constexpr std::array<std::string_view, 5> kParities = {"EVEN"sv, "MARK"sv, "NONE"sv, "ODD"sv, "SPACE"sv};
constexpr std::array<std::string_view, 1> kFlowControls = {"NONE"sv};

const std::array<LineListInfo, kLineListCount>& Lists() {
  static const std::array<LineListInfo, kLineListCount> lists = {{
      {"波特率"_gbk, kBauds, 11},
      {"数据位"_gbk, kDataBits, 0},
      {"停止位"_gbk, kStopBits, 0},
      {"校验位"_gbk, kParities, 2},
      {"流控制"_gbk, kFlowControls, 0},
  }};
  return lists;
}

std::uint32_t DecimalValue(std::string_view text) {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(LeadingInteger(text)));
}

}  // namespace

const LineListInfo& LineListFor(LineList list) { return Lists()[static_cast<std::size_t>(list)]; }

LineSettingCode LineSettingFromEntry(LineList list, std::string_view text) {
  switch (list) {
    case LineList::kBaud:
      return {kLineBaud, DecimalValue(text)};
    case LineList::kDataBits:
      return {kLineDataBits, DecimalValue(text)};
    case LineList::kStopBits:
      return {kLineStopBits, text == "1" ? 0u : text == "1.5" ? 1u : 2u};
    case LineList::kParity: {
      constexpr std::string_view kCoded[] = {"NONE", "ODD", "EVEN", "MARK"};
      std::uint32_t code = 0;
      while (code < std::size(kCoded) && kCoded[code] != text) ++code;
      return {kLineParity, code};  // anything else ("SPACE") is 4
    }
    case LineList::kFlowControl:
      return {kLineFlowControl, text == "NONE" ? 1u : text == "HW" ? 2u : 3u};
  }
  return {-1, 0};
}

}  // namespace zt
