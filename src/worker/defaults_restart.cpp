// Restore the DTU's factory values, and restart it. Both report through
// run-log lines only and leave the catalogue alone.
#include "params/channel_modes.h"
#include "serial/at_transaction.h"
#include "settings/process_flags.h"
#include "text/gbk_literal.h"
#include "worker/config_reports.h"
#include "worker/worker_context.h"
#include "worker/worker_transact.h"

namespace zt {
namespace {

using namespace zt::literals;

constexpr std::size_t kAckCapacity = 50;
constexpr int kDefaultsLimitS = 10;
constexpr std::uint16_t kDefaultsAttempts = 3;
constexpr int kRestartLimitS = 3;
constexpr std::uint16_t kRestartAttempts = 1;

bool IsChannelMode(int mode) { return mode == kModeSin || mode == kModeBak || mode == kModeMul || mode == kModeMulb; }

}  // namespace

bool RunDefaults(WorkerContext& ctx, int mode) {
  ctx.reports.Log("DTU正在恢复默认参数值...\r\n"_gbk);
  ctx.reports.Progress({WorkerProgress::Stage::kDefaults});
  std::string command;
  if (!IsS3(ctx.env.flags)) {
    command = "AT+USEDEFAULT\r\n";
  } else if (IsChannelMode(mode)) {
    command = "AT+USEDEFAULT=" + std::string(ModeToken(mode)) + "\r\n";
  } else {
    ctx.reports.Log("设置默认参数失败，原因：通道模式不正确【SIN,BAK,MUL,MULB】***!\r\n"_gbk);
    return false;
  }
  std::string ack;
  if (WorkerSendAndWait(ctx, command, "OK", ack, kAckCapacity, kDefaultsLimitS, kDefaultsAttempts) != kAtMatched) {
    ctx.reports.Log("发送恢复默认参数值指令失败*** \r\n"_gbk);
    return false;
  }
  ctx.reports.Log("DTU恢复默认参数值成功.\r\n"_gbk);
  return true;
}

bool RunRestart(WorkerContext& ctx) {
  ctx.reports.Log("正准备重启动DTU...\r\n"_gbk);
  ctx.reports.Progress({WorkerProgress::Stage::kRestart});
  std::string ack;
  if (WorkerSendAndWait(ctx, "AT+RESET\r\n", "OK", ack, kAckCapacity, kRestartLimitS, kRestartAttempts) !=
      kAtMatched) {
    ctx.reports.Log("发送重启指令失败 \r\n"_gbk);
    return false;
  }
  ctx.reports.Log("发送重启指令成功, DTU将重启! \r\n"_gbk);
  return true;
}

}  // namespace zt
