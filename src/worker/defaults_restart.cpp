// Restore the DTU's factory values, and restart it. Both report through
// run-log lines only and leave the catalogue alone.
#include "params/channel_modes.h"
#include "serial/at_transaction.h"
#include "serial/dtu_commands.h"
#include "settings/process_flags.h"
#include "text/gbk_literal.h"
#include "worker/config_reports.h"
#include "worker/worker_context.h"
#include "worker/worker_transact.h"

namespace zt {
namespace {

using namespace zt::literals;

constexpr std::size_t kAckCapacity = 50;

}  // namespace

bool RunDefaults(WorkerContext& ctx, std::optional<ChannelMode> mode) {
  ctx.reports.Log("DTU正在恢复默认参数值...\r\n"_gbk);
  ctx.reports.Progress({WorkerProgress::Stage::kDefaults});
  std::string command;
  if (!IsS3(ctx.env.flags)) {
    command = UseDefaultCommand();
  } else if (mode) {
    command = UseDefaultCommand(ModeToken(*mode));
  } else {
    return EndWithFailure(ctx.reports, "设置默认参数失败，原因：通道模式不正确【SIN,BAK,MUL,MULB】***!\r\n"_gbk,
                          kDefaultsOrRestartEnd);
  }
  std::string ack;
  if (WorkerSendAndWait(ctx, command, kUseDefaultRule.expected, ack, kAckCapacity, kUseDefaultRule.limit_s,
                        kUseDefaultRule.attempts) != AtResult::kMatched) {
    return EndWithFailure(ctx.reports, "发送恢复默认参数值指令失败*** \r\n"_gbk, kDefaultsOrRestartEnd);
  }
  ctx.reports.Log("DTU恢复默认参数值成功.\r\n"_gbk);
  return true;
}

bool RunRestart(WorkerContext& ctx) {
  ctx.reports.Log("正准备重启动DTU...\r\n"_gbk);
  ctx.reports.Progress({WorkerProgress::Stage::kRestart});
  std::string ack;
  const AnswerRule rule = ResetRule(DtuSender::kWorker);
  if (WorkerSendAndWait(ctx, ResetCommand(DtuSender::kWorker), rule.expected, ack, kAckCapacity, rule.limit_s,
                        rule.attempts) != AtResult::kMatched) {
    return EndWithFailure(ctx.reports, "发送重启指令失败 \r\n"_gbk, kDefaultsOrRestartEnd);
  }
  ctx.reports.Log("发送重启指令成功, DTU将重启! \r\n"_gbk);
  return true;
}

}  // namespace zt
