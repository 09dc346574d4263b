// Set: write every ticked parameter to the DTU, one command each, then make
// the DTU keep them with the save command. Channel groups are written only
// for the mode in force, each after the channel selection; the DTU's channel
// context then stays in force for the groups that follow.
#include <optional>

#include "params/group_filter.h"
#include "params/shared_catalogue.h"
#include "params/value_checks.h"
#include "serial/at_transaction.h"
#include "serial/dtu_commands.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"
#include "worker/config_reports.h"
#include "worker/worker_context.h"
#include "worker/worker_transact.h"

namespace zt {
namespace {

using namespace zt::literals;

constexpr std::size_t kAckCapacity = 1024;

bool Send(WorkerContext& ctx, std::string_view command, const AnswerRule& rule, std::string& ack) {
  return WorkerSendAndWait(ctx, command, rule.expected, ack, kAckCapacity, rule.limit_s, rule.attempts) ==
         AtResult::kMatched;
}

// Ticked, writable parameters from the common group on, up to the first
// unnamed group. (Ticks in the common group count, although what is sent are
// their home-group entries, whose ticks the view keeps in step.)
int CountTicked(const CParamCatalogue& c) {
  int ticked = 0;
  for (int g = 0; g < kGroupSlots; ++g) {
    const ParamGroup& group = *c.Group(g);
    if (!group.used()) break;
    for (int i = 0; i < group.UsedCount(); ++i) {
      const ParamDef& p = group.params[static_cast<std::size_t>(i)];
      if (!p.readonly && p.selected) ++ticked;
    }
  }
  return ticked;
}

struct GroupPlan {
  bool exists = false;
  bool send = false;
  std::int32_t chn = -1;
  int count = 0;
};

struct ParamCommand {
  bool send = false;
  std::string name;
  std::optional<std::string> command;  // nothing: the value cannot go on the wire
};


struct SetTexts {
  std::string_view nothing_ticked;
  std::string_view param_failed_suffix;
  std::string_view save_failed;
};

// `channels_of`: the mode whose channel groups a set with channels writes;
// none for the set without channels.
bool RunSet(WorkerContext& ctx, std::optional<ChannelMode> channels_of) {
  const bool with_channels = channels_of.has_value();
  const SetTexts texts = with_channels
                             ? SetTexts{"未选择需要配置的参数***\r\n"_gbk, "失败***"_gbk, "设置参数, 保存参数失败***\r\n"_gbk}
                             : SetTexts{"未选择需要配置的参数.\r\n"_gbk, "失败!"_gbk, "设置参数, 保存参数失败\r\n"_gbk};
  if (ctx.env.catalogue.Read(CountTicked) == 0) {
    return EndWithFailure(ctx.reports, texts.nothing_ticked, kSetFailedEnd);
  }
  ctx.reports.Log("正在配置参数...\r\n"_gbk);
  WorkerProgress progress{WorkerProgress::Stage::kSet, 0,
                          ctx.env.catalogue.Read([&](const CParamCatalogue& c) {
                            return CountSetCommands(c, channels_of);
                          })};
  std::string ack;
  for (int g = 1; g < kGroupSlots; ++g) {
    const GroupPlan plan = ctx.env.catalogue.Read([&](const CParamCatalogue& c) {
      const ParamGroup& group = *c.Group(g);
      return GroupPlan{group.used(), !with_channels || SetWithChannelsWrites(c, group, *channels_of), group.chn,
                       group.UsedCount()};
    });
    if (!plan.exists) break;
    if (!plan.send) continue;
    if (with_channels && plan.chn > 0) {
      if (!Send(ctx, SelectChannelCommand(plan.chn), kSelectChannelRule, ack)) {
        return EndWithFailure(ctx.reports, " " + SelectChannelText(plan.chn) + std::string("  失败***\r\n"_gbk),
                              kSelectChannelEnd);
      }
      ctx.reports.Log(Format("\r\n设置通道%d参数："_gbk, plan.chn) + SelectChannelText(plan.chn) + "\r\n");
    }
    for (int i = 0; i < plan.count; ++i) {
      const ParamCommand param = ctx.env.catalogue.Write([&](CParamCatalogue& c) {
        ParamDef& p = *c.Param(g, i);
        if (p.readonly || !p.selected) return ParamCommand{};
        return ParamCommand{true, p.name, SetParamCommand(p.short_name, WireValueForSet(p))};
      });
      if (!param.send) continue;
      ++progress.done;
      ctx.reports.Progress(progress);
      // A value the command builder refuses fails as an unanswered one does.
      if (!param.command || !Send(ctx, *param.command, kSetParamRule, ack)) {
        return EndWithFailure(ctx.reports,
                              std::string("设置参数"_gbk) + param.name + std::string(texts.param_failed_suffix),
                              kSetFailedEnd);
      }
      if (with_channels) ctx.reports.Log(std::string("设置参数"_gbk) + param.name + std::string("成功"_gbk));
    }
  }
  ctx.reports.Progress({WorkerProgress::Stage::kSave});
  if (!Send(ctx, SaveParamsCommand(), kSaveParamsRule, ack)) {
    return EndWithFailure(ctx.reports, texts.save_failed, kSetFailedEnd);
  }
  ctx.reports.Log("设置参数成功!\r\n"_gbk);
  return true;
}

}  // namespace

bool RunSetChannels(WorkerContext& ctx, ChannelMode mode) { return RunSet(ctx, mode); }

bool RunSetWithoutChannels(WorkerContext& ctx) { return RunSet(ctx, std::nullopt); }

}  // namespace zt
