// Connect: wake the DTU, log in, read its software version, load the
// catalogue of its firmware generation, then query every parameter.
#include "params/catalogue_loader.h"
#include "serial/at_transaction.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "text/gbk_literal.h"
#include "worker/config_reports.h"
#include "worker/firmware_version.h"
#include "worker/worker_context.h"
#include "worker/worker_transact.h"

namespace zt {
namespace {

using namespace zt::literals;

// The DTU answers a run of blanks with "RUN AT" and "OK" once it is awake.
constexpr std::string_view kWakeUp = "                    ";  // 20 blanks
static_assert(kWakeUp.size() == 20);
constexpr int kWakeUpLimitS = 20;
constexpr int kLoginLimitS = 1;
constexpr std::uint16_t kLoginAttempts = 20;
constexpr int kVersionLimitS = 20;
// The version reply is kept in 100 bytes.
constexpr std::size_t kVersionCapacity = 100;
constexpr int kCatalogueAttempts = 5;
// The DTU needs a moment after the version query before the full query.
constexpr int kSettleMs = 2000;

}  // namespace

bool RunWakeAndLogin(WorkerContext& ctx) {
  std::string reply;
  ctx.reports.Log("连接DTU..."_gbk);
  ctx.reports.Progress({WorkerProgress::Stage::kWakeUp});
  if (WorkerResendAndWait(ctx, kWakeUp, "RUN AT", reply, kWorkerReplyWindow, kWakeUpLimitS) != kAtMatched) {
    ctx.reports.Log("连接DTU超时或失败***"_gbk);
    return false;
  }
  ctx.reports.DtuConnected();
  ctx.reports.Log("连接DTU成功!  "_gbk);
  ctx.reports.Log("正在登录DTU...\r\n"_gbk);
  ctx.reports.Progress({WorkerProgress::Stage::kLogin});

  // The password field holds six characters; the line ends in CR alone.
  const std::string password = ctx.env.settings.Get().password.substr(0, kMaxPasswordBytes);
  const std::string login = "AT+LOGIN=" + password + "\r";
  if (WorkerSendAndWait(ctx, login, "OK", reply, kWorkerReplyWindow, kLoginLimitS, kLoginAttempts) !=
      kAtMatched) {
    ctx.reports.Log("登录DTU失败***\r\n"_gbk);
    ctx.reports.Done(0);
    return false;
  }
  ctx.reports.Log("登录DTU成功\r\n"_gbk);
  return true;
}

bool RunConnect(WorkerContext& ctx, int mode) {
  if (!RunWakeAndLogin(ctx)) return false;
  ctx.reports.Progress({WorkerProgress::Stage::kVersion});
  std::string reply;
  if (WorkerResendAndWait(ctx, "AT+GETPARAM=SPSV\r\n", "SPSV", reply, kVersionCapacity, kVersionLimitS) ==
      kAtMatched) {
    ctx.env.flags.file_variant.store(IsS3Version(reply) ? FileVariant::kS3 : FileVariant::kS2);
  }
  LoadCatalogueWithRetries(ctx.env.catalogue, ctx.env.catalogue_folder, ctx.env.flags.file_variant.load(),
                           ctx.env.catalogue_errors, kCatalogueAttempts);

  WorkerSleep(ctx, kSettleMs);
  const bool queried = RunQuery(ctx, mode);
  ctx.reports.Ready();
  return queried;
}

}  // namespace zt
