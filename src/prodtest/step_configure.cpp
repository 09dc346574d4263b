// The configure step: from the configuration file into the catalogue, and
// from the catalogue into the unit.
#include <optional>

#include "params/shared_catalogue.h"
#include "params/validate_edit.h"
#include "params/value_checks.h"
#include "prodtest/config_file_reader.h"
#include "prodtest/test_steps.h"
#include "serial/dtu_commands.h"
#include "settings/process_flags.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"

namespace zt {

using namespace zt::literals;

namespace {

// The product number and the IMEI go out up to three times, three attempts each.
constexpr int kIdentityTransactions = 3;
constexpr std::size_t kMaxProductNumber = 32;
constexpr std::size_t kMaxImei = 14;

struct Refusal {
  std::string failure;  // name + "配置不正确"
  std::string message;  // ValidateEdit's message box text
};

// Reads the file's values into the catalogue; counts the named slots into
// ctx.group_count. Table work only: it runs under the write lock.
std::optional<Refusal> ReadingPass(CParamCatalogue& c, const ConfigFileReader& file, std::int32_t mode,
                                   int& group_count) {
  for (int g = 0; g < kGroupSlots; ++g) {
    ParamGroup& group = c.groups[static_cast<std::size_t>(g)];
    if (!group.used()) continue;
    ++group_count;
    if (!GroupTakesPart(group, mode)) continue;
    c.current_group = g;
    for (int i = 0; i < group.UsedCount(); ++i) {
      ParamDef& p = group.params[static_cast<std::size_t>(i)];
      if (p.readonly) continue;
      const std::string text = file.Value(group.name, p.name);
      const EditResult checked = ValidateEdit(c, g, i, text);
      if (!checked.accepted()) return Refusal{p.name + std::string("配置不正确"_gbk), checked.refusal};
      p.value = text;
    }
  }
  return std::nullopt;
}

struct SetEntry {
  std::string name;
  std::optional<std::string> command;  // nothing: the value cannot go on the wire
};
using GroupToSet = GroupWork<SetEntry>;

GroupToSet GroupForSetting(const CParamCatalogue& c, int g, std::int32_t mode) {
  return WorkForGroup<SetEntry>(c, g, mode, [](const ParamDef& p) {
    // The DTU takes wire values: a list option chosen in the view (and
    // exported so) goes out as its wire value, a HEXSTR without blanks, as
    // the configuration worker sends them. Blanks go from custom pairs too.
    const std::string value = p.is_cust_param ? RemoveSpaces(WireForm(p)) : WireForm(p);
    return SetEntry{p.name, SetParamCommand(p.short_name, value)};
  });
}

// Up to three transactions of three attempts each; nothing goes out for a
// command the builder refused.
bool SendRepeated(StepContext& ctx, const std::optional<std::string>& command) {
  if (!command) return false;
  for (int n = 0; n < kIdentityTransactions; ++n) {
    if (ctx.Exchange(*command, kSetParamRule)) return true;
  }
  return false;
}

bool SendIdentity(StepContext& ctx) {
  const UnitIdentity& id = ctx.identity;
  if (id.product_number.size() > kMaxProductNumber) return ctx.Fail(std::string("产品编号不应该超过32个字符"_gbk));
  if (!SendRepeated(ctx, SetProductNumberCommand(id.product_number))) {
    return ctx.Fail(std::string("发送产品编号失败"_gbk));
  }
  if (id.imei.size() > kMaxImei) return ctx.Fail(std::string("产品IMEI号不应该超过14个字符"_gbk));
  if (!SendRepeated(ctx, SetImeiCommand(id.imei, IsS3(ctx.flags)))) {
    return ctx.Fail(std::string("发送产品IMEI号失败"_gbk));
  }
  return true;
}

}  // namespace

bool SetChannelMode(StepContext& ctx, std::int32_t mode) {
  // A mode bit the file does not name goes out as SIN.
  const bool named = mode == kModeBak || mode == kModeMul || mode == kModeMulb;
  const std::string name(ModeToken(named ? mode : kModeSin));
  if (!ctx.Exchange(UseDefaultCommand(name), kUseDefaultRule)) {
    return ctx.Fail(std::string("发送恢复默认参数值指令失败*** \r\n"_gbk));
  }
  // Not a failure: the buffer keeps it, and a later step that fails without
  // a text of its own shows it.
  ctx.failure = Format("设置DTU通道模式[%s]成功.\r\n"_gbk, name);
  ctx.Log(Format("DTU通道模式为[%s].\r\n"_gbk, name));
  return true;
}

bool ConfigureStep(StepContext& ctx) {
  ctx.Log("参数配置...\r\n"_gbk);
  if (ctx.run.config_file.empty()) {
    ctx.Log("没有参数配置文件\r\n"_gbk);
    return ctx.Fail(std::string("没有参数配置文件"_gbk));
  }
  const ConfigFileReader file(ctx.run.config_file);
  const std::int32_t mode = file.ModeBit();

  ctx.group_count = 0;
  const std::optional<Refusal> refusal =
      ctx.catalogue.Write([&](CParamCatalogue& c) { return ReadingPass(c, file, mode, ctx.group_count); });
  if (refusal) {
    // The operator sees the check's own message first; the run waits for it.
    if (ctx.show_message) ctx.show_message(refusal->message, RefusalCaption(), MessageIcon::kError);
    return ctx.Fail(refusal->failure);
  }

  if (mode != 0) {
    ctx.Log("设置通道模式!\r\n"_gbk);
    if (!SetChannelMode(ctx, mode)) {
      ctx.Log("设置通道模式出错!\r\n"_gbk);
      return false;
    }
  }

  const int last = ctx.group_count < kGroupSlots - 1 ? ctx.group_count : kGroupSlots - 1;
  for (int g = 1; g <= last; ++g) {
    const GroupToSet group = ctx.catalogue.Read([&](const CParamCatalogue& c) { return GroupForSetting(c, g, mode); });
    if (group.skip) continue;
    if (mode != 0 && group.chn > 0) {
      if (!ctx.Exchange(SelectChannelCommand(group.chn), kSelectChannelRule)) {
        ctx.Log("设置通道模式出错!\r\n"_gbk);
        return false;
      }
      ctx.Log(Format(" 选择了通道 %d，设置通道参数 \r\n"_gbk, group.chn));
    }
    for (const SetEntry& e : group.entries) {
      if (!e.command || !ctx.Exchange(*e.command, kSetParamRule)) {
        return ctx.Fail(Format("发送参数%s失败"_gbk, e.name));
      }
    }
  }

  if (ctx.finished_product && !SendIdentity(ctx)) return false;

  if (!ctx.Exchange(SaveParamsCommand(), kSaveParamsRule)) {
    return ctx.Fail(std::string("配置参数失败"_gbk));
  }
  ctx.Log("参数配置成功!\r\n"_gbk);
  return true;
}

}  // namespace zt
