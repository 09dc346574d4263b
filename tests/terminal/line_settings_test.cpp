#include "terminal/line_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/serial_port.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;

std::vector<std::string> Entries(LineList list) {
  std::vector<std::string> out;
  for (const std::string_view e : LineListFor(list).entries) out.emplace_back(e);
  return out;
}

std::string Initial(LineList list) {
  const LineListInfo& info = LineListFor(list);
  return std::string(info.entries[static_cast<std::size_t>(info.initial)]);
}

TEST(LineLists, HoldTheirEntriesInOrderWithTheirInitialChoice) {
  EXPECT_EQ(Entries(LineList::kBaud),
            (std::vector<std::string>{"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                                      "38400", "57600", "115200", "128000", "256000"}));
  EXPECT_EQ(Entries(LineList::kDataBits), (std::vector<std::string>{"8", "7", "6", "5"}));
  EXPECT_EQ(Entries(LineList::kStopBits), (std::vector<std::string>{"1", "1.5", "2"}));
  EXPECT_EQ(Entries(LineList::kParity), (std::vector<std::string>{"EVEN", "MARK", "NONE", "ODD", "SPACE"}));
  EXPECT_EQ(Entries(LineList::kFlowControl), (std::vector<std::string>{"NONE"}));
  EXPECT_EQ(Initial(LineList::kBaud), "115200");
  EXPECT_EQ(Initial(LineList::kDataBits), "8");
  EXPECT_EQ(Initial(LineList::kStopBits), "1");
  EXPECT_EQ(Initial(LineList::kParity), "NONE");
  EXPECT_EQ(Initial(LineList::kFlowControl), "NONE");
}

TEST(LineLists, CarryTheirLabels) {
  EXPECT_EQ(LineListFor(LineList::kBaud).label, "波特率"_gbk);
  EXPECT_EQ(LineListFor(LineList::kDataBits).label, "数据位"_gbk);
  EXPECT_EQ(LineListFor(LineList::kStopBits).label, "停止位"_gbk);
  EXPECT_EQ(LineListFor(LineList::kParity).label, "校验位"_gbk);
  EXPECT_EQ(LineListFor(LineList::kFlowControl).label, "流控制"_gbk);
}

struct CodeCase {
  LineList list;
  std::string text;
  int kind;
  std::uint32_t value;
};

TEST(LineSettingFromEntry, MapsEveryEntryToItsKindAndCode) {
  const CodeCase cases[] = {
      {LineList::kBaud, "110", kLineBaud, 110},
      {LineList::kBaud, "256000", kLineBaud, 256000},
      {LineList::kDataBits, "7", kLineDataBits, 7},
      {LineList::kDataBits, "5", kLineDataBits, 5},
      {LineList::kStopBits, "1", kLineStopBits, 0},
      {LineList::kStopBits, "1.5", kLineStopBits, 1},
      {LineList::kStopBits, "2", kLineStopBits, 2},
      {LineList::kStopBits, "3", kLineStopBits, 2},
      {LineList::kParity, "NONE", kLineParity, 0},
      {LineList::kParity, "ODD", kLineParity, 1},
      {LineList::kParity, "EVEN", kLineParity, 2},
      {LineList::kParity, "MARK", kLineParity, 3},
      {LineList::kParity, "SPACE", kLineParity, 4},
      {LineList::kFlowControl, "NONE", kLineFlowControl, 1},
      {LineList::kFlowControl, "HW", kLineFlowControl, 2},
      {LineList::kFlowControl, "XON", kLineFlowControl, 3},
  };
  for (const CodeCase& c : cases) {
    const LineSettingCode code = LineSettingFromEntry(c.list, c.text);
    EXPECT_EQ(code.kind, c.kind) << c.text;
    EXPECT_EQ(code.value, c.value) << c.text;
  }
}

}  // namespace
}  // namespace zt
