// Query: read the DTU's whole parameter set (QueryAllCommand) into the
// catalogue. The base lines fill every group that is not a channel group;
// on the later generation the channel blocks fill the channel groups of the
// mode in force, through the work file chlparm.dat (worker/channel_work_file.h).
#include "params/shared_catalogue.h"
#include "params/value_checks.h"
#include "serial/at_transaction.h"
#include "serial/dtu_commands.h"
#include "settings/process_flags.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"
#include "worker/channel_work_file.h"
#include "worker/config_reports.h"
#include "worker/query_parser.h"
#include "worker/worker_context.h"
#include "worker/worker_transact.h"

namespace zt {
namespace {

using namespace zt::literals;

// The channel pass. Returns false when it ended early (logged).
bool StoreChannelValues(WorkerContext& ctx, std::string_view text, std::int32_t mode) {
  ctx.reports.Log("正在取各通道的参数... \r\n"_gbk);
  const std::size_t first = text.find("ID=1");
  if (first == std::string_view::npos) {
    return EndWithFailure(ctx.reports, "取通道的参数失败***\r\n"_gbk, kChannelPassEnd);
  }
  std::string channel_part;
  switch (RoundTripWorkFile(ctx.env.work_folder, text.substr(first), channel_part)) {
    case WorkFileResult::kCannotCreate:
      return EndWithFailure(ctx.reports, "取通道的参数 失败***\r\n"_gbk, kChannelPassEnd);
    case WorkFileResult::kCannotReopen:
      return EndWithFailure(ctx.reports, "取通道的 参数 失败***\r\n"_gbk, kChannelPassEnd);
    case WorkFileResult::kOk:
      break;
  }

  int channel = 0;
  int group = -1;
  for (const std::string_view line : SplitWorkFileLines(channel_part)) {
    if (const std::optional<int> number = ChannelHeaderNumber(line)) {
      channel = *number;
      group = ctx.env.catalogue.Read([&](const CParamCatalogue& c) { return c.channels.GroupForChannel(mode, channel); });
      ctx.reports.Log(Format("正在获取通道 %d 的参数...\r\n"_gbk, channel));
      ctx.reports.Progress({WorkerProgress::Stage::kChannel, 0, 0, channel});
      continue;
    }
    const int count = ctx.env.catalogue.Read([&](const CParamCatalogue& c) {
      const ParamGroup* g = c.Group(group);
      return g == nullptr ? 0 : g->UsedCount();
    });
    for (int i = 0; i < count; ++i) {
      struct Stored {
        bool skip = true;
        std::string short_name, value;
      };
      const bool constant = ctx.env.catalogue.Read([&](const CParamCatalogue& c) {
        return c.Param(group, i)->is_const_param;
      });
      if (constant) continue;
      if (WorkerAbortCheck(ctx)) return false;
      const Stored stored = ctx.env.catalogue.Write([&](CParamCatalogue& c) {
        ParamDef& p = *c.Param(group, i);
        const std::size_t pos = line.find(p.short_name + "=");
        if (pos == std::string_view::npos) return Stored{};
        p.value = ValueFromReply(p, ExtractValueAt(line, pos, p.short_name.size()), true);
        return Stored{false, p.short_name, p.value};
      });
      // Joined, not formatted: the value may hold a zero byte, and it is logged whole.
      if (!stored.skip) ctx.reports.Log(Format("ch%d:", channel) + stored.short_name + "=" + stored.value);
    }
  }
  return true;
}

}  // namespace

bool RunQuery(WorkerContext& ctx, ChannelMode requested_mode) {
  // The DTU's reply may name another mode; the channel pass then reads that one.
  std::int32_t mode = requested_mode;
  ctx.reports.Log("正在进行AT+GETPARAM?.... \r\n"_gbk);
  ctx.reports.Progress({WorkerProgress::Stage::kQuery});
  std::string reply;
  if (WorkerSendAndWait(ctx, QueryAllCommand(), kQueryAllRule.expected, reply, kWorkerReplyWindow,
                        kQueryAllRule.limit_s, kQueryAllRule.attempts) != AtResult::kMatched) {
    return EndWithFailure(ctx.reports, "AT+GETPARAM? 失败*** \r\n"_gbk, kQueryUnansweredEnd);
  }
  if (reply.size() < kQueryEchoLength) {
    return EndWithFailure(ctx.reports, "AT+GETPARAM? 失败2*** \r\n"_gbk, kQueryUnansweredEnd);
  }
  const std::string_view text = std::string_view(reply).substr(kQueryEchoLength);
  const bool s3 = IsS3(ctx.env.flags);

  const std::vector<int> mode_reports =
      ctx.env.catalogue.Write([&](CParamCatalogue& c) { return StoreBaseReplyValues(c, text, s3, mode); });
  for (const int index : mode_reports) ctx.reports.ModeIndex(index);
  ctx.reports.Log("取基本参数 已经成功 \r\n"_gbk);

  if (!s3) {
    ctx.reports.Log("查询参数成功!\r\n"_gbk);
    ctx.reports.Done(1);
    return true;
  }
  if (!StoreChannelValues(ctx, text, mode)) return false;
  ctx.reports.Log("查询参数成功!\r\n"_gbk);
  ctx.reports.Log(Format("当前通道模式已经变为：%s!\r\n"_gbk, std::string(ModeDisplayName(mode))));
  ctx.reports.Done(1);
  return true;
}

}  // namespace zt
