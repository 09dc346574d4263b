#include "worker/worker_progress.h"

#include "params/group_filter.h"

#include "params/param_catalogue.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"

namespace zt {

using namespace zt::literals;

std::string WorkerProgressText(const WorkerProgress& progress) {
  using Stage = WorkerProgress::Stage;
  switch (progress.stage) {
    case Stage::kWakeUp:
      return std::string("正在连接DTU"_gbk);
    case Stage::kLogin:
      return std::string("正在登录DTU"_gbk);
    case Stage::kVersion:
      return std::string("正在读取DTU版本"_gbk);
    case Stage::kQuery:
      return std::string("正在查询参数"_gbk);
    case Stage::kChannel:
      return Format("正在取通道 %d 的参数"_gbk, progress.channel);
    case Stage::kSet:
      if (!progress.HasCount()) return std::string("设置参数"_gbk);
      return Format("设置参数 %d/%d"_gbk, progress.done, progress.total);
    case Stage::kSave:
      return std::string("正在保存参数"_gbk);
    case Stage::kDefaults:
      return std::string("正在恢复默认参数"_gbk);
    case Stage::kRestart:
      return std::string("正在重启DTU"_gbk);
  }
  return {};
}

int CountSetCommands(const CParamCatalogue& c, std::optional<ChannelMode> channels_of) {
  int commands = 0;
  for (int g = 1; g < kGroupSlots; ++g) {
    const ParamGroup& group = *c.Group(g);
    if (!group.used()) break;
    if (channels_of && !SetWithChannelsWrites(c, group, *channels_of)) continue;
    for (int i = 0; i < group.UsedCount(); ++i) {
      const ParamDef& p = group.params[static_cast<std::size_t>(i)];
      if (!p.readonly && p.selected) ++commands;
    }
  }
  return commands;
}

}  // namespace zt
