#include "worker/worker_transact.h"

#include <chrono>

#include "serial/at_transaction.h"
#include "serial/serial_port.h"
#include "worker/config_reports.h"

namespace zt {
namespace {

WorkerLink LinkOf(WorkerContext& ctx) { return {ctx.env.port, ctx.worker_lock, ctx.env.flags, ctx.reports}; }

}  // namespace

AtResult WorkerSendAndWait(WorkerContext& ctx, std::optional<std::string_view> command, std::string_view expected,
                      std::string& reply, std::size_t capacity, int time_limit_s, std::uint16_t attempts) {
  std::uint16_t length = 0;
  reply.clear();
  return SendAndWait(LinkOf(ctx), command, expected, reply, capacity, length, time_limit_s, attempts,
                     &ctx.stop.flag());
}

AtResult WorkerResendAndWait(WorkerContext& ctx, std::optional<std::string_view> command,
                        std::string_view expected, std::string& reply, std::size_t capacity,
                        int time_limit_s) {
  std::uint16_t length = 0;
  reply.clear();
  return ResendAndWait(LinkOf(ctx), command, expected, reply, capacity, length, time_limit_s, &ctx.stop.flag());
}

bool WorkerAbortCheck(WorkerContext& ctx) {
  if (ctx.stop.requested()) return true;
  const std::optional<std::string_view> reason = WorkerAbortReason(ctx.env.flags);
  if (!reason) return false;
  ctx.reports.Log(*reason);
  return true;
}

bool WorkerPortTaken(WorkerContext& ctx) {
  const PortUser holder = ctx.env.port.Holder();
  if (holder == PortUser::kNone || holder == PortUser::kWorker) return false;
  ctx.reports.Log(WorkerPortBusyText());
  ctx.reports.Done(0);
  return true;
}

void WorkerSleep(WorkerContext& ctx, int milliseconds) {
  ctx.stop.SleepFor(std::chrono::milliseconds(milliseconds));
}

}  // namespace zt
