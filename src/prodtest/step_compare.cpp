// The compare step: every writable parameter read back from the unit and
// compared with the value the configure step took from the file.
#include <optional>

#include "params/shared_catalogue.h"
#include "params/value_checks.h"
#include "prodtest/config_file_reader.h"
#include "prodtest/test_steps.h"
#include "serial/dtu_commands.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"

namespace zt {

using namespace zt::literals;

namespace {

// An IMEI counts by its first 14 digits: the check digit may differ.
constexpr std::size_t kImeiCompared = 14;

struct GetEntry {
  std::string name;
  std::string short_name;
  std::string value;
  bool hex = false;
};
using GroupToCompare = GroupWork<GetEntry>;

GroupToCompare GroupForComparing(const CParamCatalogue& c, int g, std::int32_t mode) {
  // What the configure step sent is what the unit reports back.
  return WorkForGroup<GetEntry>(c, g, mode, [](const ParamDef& p) {
    const bool hex = p.type == ParamValueType::kHexStr;
    return GetEntry{p.name, p.short_name, hex ? p.value : WireForm(p), hex};
  });
}

// The text between the first `marker` of the excerpt (or its first "=")
// and the next CR.
std::optional<std::string> ValueAfter(std::string_view excerpt, std::string_view marker) {
  const std::size_t at = excerpt.find(marker);
  if (at == std::string_view::npos) return std::nullopt;
  const std::size_t from = at + marker.size();
  const std::size_t cr = excerpt.find('\r', from);
  if (cr == std::string_view::npos) return std::nullopt;
  return std::string(excerpt.substr(from, cr - from));
}

// The digits of a HEXSTR text in upper case, or nothing when it does not
// reduce (another character, an odd or zero number of digits).
std::optional<std::string> ReduceHex(std::string_view text) {
  std::string digits;
  if (text.empty()) return digits;
  for (const char c : text) {
    if (c == ' ') continue;
    const bool digit = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!digit) return std::nullopt;
    digits += (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  if (digits.empty() || digits.size() % 2 != 0) return std::nullopt;
  return digits;
}

bool MatchesDevice(const GetEntry& e, std::string device) {
  if (e.hex && device.starts_with("0x")) device.erase(0, 2);
  if (device == "NULL") device.clear();
  if (e.hex) return HexStrEqual(device, e.value);
  // A parameter without a value is not compared.
  return e.value.empty() || e.value == device;
}

bool CompareIdentity(StepContext& ctx) {
  std::string reply;
  if (!ctx.Exchange(GetProductNumberCommand(), kGetProductNumberRule, &reply)) {
    return ctx.Fail(std::string("发送查询产品编号指令失败"_gbk));
  }
  const std::optional<std::string> product = ValueAfter(reply, "=");
  if (!product) return ctx.Fail(std::string("查询产品编号失败"_gbk));
  ctx.readings.product_read = *product;
  if (*product != ctx.identity.product_number) return ctx.Fail(std::string("校验产品编号失败"_gbk));

  if (!ctx.Exchange(GetImeiCommand(), kGetImeiRule, &reply)) {
    return ctx.Fail(std::string("发送查询产品IMEI号指令失败"_gbk));
  }
  // The two queries share the failure text of a reply without its line end.
  const std::optional<std::string> imei = ValueAfter(reply, "IMEINUMBER=");
  if (!imei) return ctx.Fail(std::string("查询产品编号失败"_gbk));
  ctx.readings.imei_read = *imei;
  if (std::string_view(ctx.identity.imei).substr(0, kImeiCompared) !=
      std::string_view(*imei).substr(0, kImeiCompared)) {
    return ctx.Fail(std::string("校验产品IMEI号失败"_gbk));
  }
  return true;
}

}  // namespace

bool HexStrEqual(std::string_view a, std::string_view b) {
  const std::optional<std::string> ra = ReduceHex(a);
  const std::optional<std::string> rb = ReduceHex(b);
  return ra && rb && *ra == *rb;
}

bool CompareStep(StepContext& ctx) {
  ctx.Log("配置比较...\r\n"_gbk);
  const std::int32_t mode = ConfigFileReader(ctx.run.config_file).ModeBit();

  const int last = ctx.group_count < kGroupSlots - 1 ? ctx.group_count : kGroupSlots - 1;
  for (int g = 1; g <= last; ++g) {
    const GroupToCompare group =
        ctx.catalogue.Read([&](const CParamCatalogue& c) { return GroupForComparing(c, g, mode); });
    if (group.skip) continue;
    if (mode != 0 && group.chn > 0) {
      if (!ctx.Exchange(SelectChannelCommand(group.chn), kSelectChannelRule)) {
        ctx.Log(" " + SelectChannelText(group.chn) + std::string("  失败***\r\n"_gbk));
        return false;
      }
      ctx.Log(Format(" 选择了通道 %d，检查参数配置 \r\n"_gbk, group.chn));
    }
    for (const GetEntry& e : group.entries) {
      std::string reply;
      const std::string answer = GetParamAnswer(e.short_name);
      if (!ctx.Exchange(GetParamCommand(e.short_name), {answer, kGetParamRule.limit_s, kGetParamRule.attempts},
                        &reply)) {
        return ctx.Fail(std::string("发送查询参数指令失败"_gbk));
      }
      const std::optional<std::string> device = ValueAfter(reply, "=");
      if (!device) return ctx.Fail(Format("查询参数%s失败"_gbk, e.name));
      if (!MatchesDevice(e, *device)) return ctx.Fail(Format("校验配置信息失败: %s"_gbk, e.name));
    }
  }

  if (ctx.finished_product && !CompareIdentity(ctx)) return false;
  ctx.Log("配置比较正确!\r\n"_gbk);
  return true;
}

}  // namespace zt
