// Connect: wake the DTU, log in, read its software version, load the
// catalogue of its firmware generation, then query every parameter.
#include "params/catalogue_loader.h"
#include "serial/at_transaction.h"
#include "serial/dtu_commands.h"
#include "serial/dtu_connect.h"
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

// The version reply is kept in 100 bytes.
constexpr std::size_t kVersionCapacity = 100;
constexpr int kCatalogueAttempts = 5;
// The DTU needs a moment after the version query before the full query.
constexpr int kSettleMs = 2000;

}  // namespace

bool RunWakeAndLogin(WorkerContext& ctx) {
  std::string reply;
  const std::string password = ctx.env.settings.Get().password;
  const ConnectSequence sequence{
      .sender = DtuSender::kWorker,
      .password = password,
      .texts = {"连接DTU..."_gbk, "连接DTU超时或失败***"_gbk, "连接DTU成功!  "_gbk, "正在登录DTU...\r\n"_gbk,
                "登录DTU失败***\r\n"_gbk, "登录DTU成功\r\n"_gbk},
      .log = [&](std::string_view line) { ctx.reports.Log(line); },
      // The worker wakes with its resending form; the rule's limit is the whole wait.
      .wake =
          [&](std::string_view command, const AnswerRule& rule) {
            return WorkerResendAndWait(ctx, command, rule.expected, reply, kWorkerReplyWindow, rule.limit_s) ==
                   AtResult::kMatched;
          },
      .send =
          [&](std::string_view command, const AnswerRule& rule) {
            return WorkerSendAndWait(ctx, command, rule.expected, reply, kWorkerReplyWindow, rule.limit_s,
                                     rule.attempts) == AtResult::kMatched;
          },
      .on_woken =
          [&] {
            ctx.reports.DtuConnected();
            ctx.reports.Progress({WorkerProgress::Stage::kLogin});
          },
  };
  // The sequence logs the failure line; the rule of config_reports.h says
  // whether DONE 0 follows.
  FailureEnd end = kNoWakeUpEnd;
  ctx.reports.Progress({WorkerProgress::Stage::kWakeUp});
  switch (WakeAndLogin(sequence)) {
    case ConnectResult::kLoggedIn:
      return true;
    case ConnectResult::kNoAnswer:
      end = kNoWakeUpEnd;
      break;
    case ConnectResult::kLoginFailed:
      end = kLoginFailedEnd;
      break;
  }
  if (end == FailureEnd::kLogAndDone) ctx.reports.Done(0);
  return false;
}

bool RunConnect(WorkerContext& ctx, ChannelMode mode) {
  if (!RunWakeAndLogin(ctx)) return false;
  ctx.reports.Progress({WorkerProgress::Stage::kVersion});
  std::string reply;
  if (WorkerResendAndWait(ctx, VersionCommand(), kVersionRule.expected, reply, kVersionCapacity, kVersionRule.limit_s) ==
      AtResult::kMatched) {
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
