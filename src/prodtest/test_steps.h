// The steps a unit goes through, and the reply rules they use.
//
//   configure  read the configuration file into the catalogue (each value
//              checked as an operator's edit is), set the file's channel
//              mode, send every writable parameter channel by channel, then
//              the product number and IMEI of a finished unit, and save;
//   compare    read every writable parameter back and compare it with the
//              file, then the product number and IMEI of a finished unit;
//   upgrade    the hidden upgrade item: two exchanges, and it never passes;
//   run test   reset the unit, wait up to 120 s for the key string in its
//              output, check its signal, and show its identity lines.
//
// Each step returns pass (true) or fail (false); a failing step may leave a
// failure text in ctx.failure, which the run shows. Everything runs on the
// run thread.
#pragma once

#include "params/group_filter.h"
#include "params/param_catalogue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "prodtest/step_context.h"

namespace zt {

enum class TestStepKind { kConfigure, kCompare, kUpgrade, kRunTest };

// The step list, built afresh for every run in this order: configure and
// compare for "参数配置", upgrade for "程序升级", run test for "运行测试".
std::vector<TestStepKind> BuildStepList(bool configure_item, bool upgrade_item, bool run_test_item);

bool RunStep(TestStepKind step, StepContext& ctx);

bool ConfigureStep(StepContext& ctx);
bool CompareStep(StepContext& ctx);
bool UpgradeStep(StepContext& ctx);
bool RunTestStep(StepContext& ctx);

// "AT+USEDEFAULT=<mode>": the factory values of the mode (mode bits 2 BAK,
// 4 MUL, 8 MULB, anything else SIN).
bool SetChannelMode(StepContext& ctx, std::int32_t mode);

// Whether a group takes part for the file's mode: GroupTakesPart
// (params/group_filter.h).

// What a step does with one group: its channel, whether it sits out for the
// file's mode, and one entry per writable parameter (made by `make`).
template <typename Entry>
struct GroupWork {
  std::int32_t chn = -1;
  bool skip = false;
  std::vector<Entry> entries;
};

template <typename Entry, typename Make>
GroupWork<Entry> WorkForGroup(const CParamCatalogue& c, int g, std::int32_t mode, Make make) {
  GroupWork<Entry> out;
  const ParamGroup& group = c.groups[static_cast<std::size_t>(g)];
  out.chn = group.chn;
  if (!GroupTakesPart(group, mode)) {
    out.skip = true;
    return out;
  }
  for (int i = 0; i < group.UsedCount(); ++i) {
    const ParamDef& p = group.params[static_cast<std::size_t>(i)];
    if (!p.readonly) out.entries.push_back(make(p));
  }
  return out;
}

// The HEXSTR comparison: empty stays empty; other texts must be hexadecimal
// digits and blanks with a non-zero, even number of digits, and reduce to
// their digits in upper case. Equal when both reduce to the same text.
bool HexStrEqual(std::string_view a, std::string_view b);

// The signal check after the run test: "+++", login, "AT+CSQ", threshold.
bool SignalCheck(StepContext& ctx);

// The signal of an "AT+CSQ" reply excerpt: the text between "CSQ:" and the
// next ",", blanks removed, read as a leading decimal number. Nothing when
// "CSQ:" or the comma is missing.
std::optional<std::int32_t> SignalFromReply(std::string_view excerpt);

// The lines of the unit's start-up output that name it, in this order:
// "IMEI Number:", "Manufacturer:", "Product Name:", "Revision:", each from
// its label through the next "\r\n" (left out when either is missing).
std::vector<std::string> IdentityLines(std::string_view collected);

}  // namespace zt
