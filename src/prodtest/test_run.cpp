#include "prodtest/test_run.h"

#include "params/catalogue_loader.h"
#include "prodtest/test_steps.h"
#include "serial/dtu_commands.h"
#include "serial/dtu_connect.h"
#include "serial/port_texts.h"
#include "serial/serial_port.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "text/gbk_literal.h"
#include "worker/firmware_version.h"

namespace zt {

using namespace zt::literals;

namespace {

// The version reply is kept in 100 bytes.
constexpr std::size_t kVersionCapacity = 100;
constexpr int kCatalogueAttempts = 5;

}  // namespace

CTestRun::CTestRun(TestEnvironment env) : env_(std::move(env)) {}

CTestRun::~CTestRun() {
  {
    std::lock_guard lock(output_mutex_);
    silenced_ = true;
  }
  CancelWaits();
  Join();
}

bool CTestRun::Start(const RunSettings& settings, ITestView& view, ISerialNumberPrompt& prompt) {
  if (running_.load()) return false;
  Join();
  settings_ = settings;
  view_ = &view;
  prompt_ = &prompt;
  {
    std::lock_guard lock(output_mutex_);
    silenced_ = false;
  }
  {
    std::lock_guard lock(wait_mutex_);
    cancel_.store(false);
  }
  outcome_.store(RunOutcome::kNone);
  passed_.store(0);
  running_.store(true);
  thread_ = std::thread(&CTestRun::RunThread, this);
  return true;
}

void CTestRun::Stop(ITestView& view) {
  BeginStop(view);
  Join();
  EndStop(view);
}

void CTestRun::BeginStop(ITestView& view) {
  // From here on the run writes nothing: Stop's lines are the last.
  {
    std::lock_guard lock(output_mutex_);
    silenced_ = true;
  }
  view.AppendTestInfo("等待配置测试线程结束...\r\n"_gbk);
  CancelWaits();
}

void CTestRun::EndStop(ITestView& view) {
  Join();
  view.AppendTestInfo("配置测试结束!\r\n"_gbk);
  view.RestoreTestControls();
}

bool CTestRun::WaitFinished(std::chrono::milliseconds timeout) {
  {
    std::unique_lock lock(finish_mutex_);
    if (!finished_.wait_for(lock, timeout, [this] { return !running_.load(); })) return false;
  }
  Join();
  return true;
}

void CTestRun::CancelWaits() {
  {
    std::lock_guard lock(wait_mutex_);
    cancel_.store(true);
  }
  wait_changed_.notify_all();
  if (running_.load() && prompt_ != nullptr) prompt_->Cancel();
}

void CTestRun::Join() {
  if (thread_.joinable()) thread_.join();
}

void CTestRun::Finish(RunOutcome outcome) {
  // The port is free again before the controls are: a command the operator
  // gives at once must find it so.
  env_.port.Release(PortUser::kProductionTest);
  // A stopped run leaves the outcome to Stop's account.
  outcome_.store(cancel_.load() ? RunOutcome::kStopped : outcome);
  {
    std::lock_guard lock(output_mutex_);
    if (!silenced_) view_->RestoreTestControls();
  }
  {
    std::lock_guard lock(finish_mutex_);
    running_.store(false);
  }
  finished_.notify_all();
}

void CTestRun::RunThread() {
  ITestView& view = *view_;
  auto log = [this, &view](std::string_view text) {
    std::lock_guard lock(output_mutex_);
    if (!silenced_) view.AppendTestInfo(text);
  };
  auto tell = [this](auto report) {
    std::lock_guard lock(output_mutex_);
    if (!silenced_) report();
  };
  auto show_message = [this](std::string_view text, std::string_view caption, MessageIcon icon) {
    if (!cancel_.load()) env_.messages.ShowMessage(text, caption, icon);
  };
  StepContext ctx{env_.port, env_.catalogue, env_.settings, env_.flags, settings_, env_.identity, cancel_,
                  false, log, show_message, {}, 0};

  const std::vector<TestStepKind> steps =
      BuildStepList(view.ConfigureItem(), view.UpgradeItem(), view.RunTestItem());
  if (steps.empty()) {
    show_message("配置测试里没有测试项"_gbk, "提示"_gbk, MessageIcon::kError);
    log("配置测试里没有测试项!\r\n"_gbk);
    Finish(RunOutcome::kNoSteps);
    return;
  }
  log("配置测试开始!\r\n"_gbk);
  // The run has the port to itself until it ends: a worker request that
  // runs now gives it up at its next step, later ones are refused.
  if (!env_.port.Claim(PortUser::kProductionTest, cancel_)) {
    Finish(RunOutcome::kStopped);
    return;
  }

  // A unit whose device went away (unplugged, or gone for good after a
  // reset) ends the run: nothing more can be said to it.
  auto device_removed = [&] {
    if (!env_.port.Removed()) return false;
    log(DeviceRemovedText(env_.port.OpenedPortName()) + "\r\n");
    return true;
  };

  for (;;) {
    if (!ctx.RunFlag()) {
      log("配置测试停止!\r\n"_gbk);
      Finish(RunOutcome::kHalted);
      return;
    }
    if (device_removed()) {
      log("配置测试结束!\r\n"_gbk);
      Finish(RunOutcome::kFailed);
      return;
    }
    tell([&] { view.UnitStepStarted(UnitStep{1, UnitStepCount(steps), UnitStage::kConnect}); });
    const ToolSettings tool = env_.settings.Get();
    const auto exchange = [&ctx](std::string_view command, const AnswerRule& rule) {
      return ctx.Exchange(command, rule);
    };
    // 13 blanks, once a second, as many times as the connect timeout has seconds.
    const ConnectSequence sequence{
        .sender = DtuSender::kProductionTest,
        .connect_timeout_s = tool.connect_timeout,
        .password = tool.password,
        .texts = {"连接...\r\n"_gbk, "连接超时!\r\n"_gbk, "连接成功!\r\n"_gbk, {}, "登录失败!\r\n"_gbk,
                  "登录成功!\r\n"_gbk},
        .log = log,
        .wake = exchange,
        .send = exchange,
        .on_woken = {},
    };
    if (WakeAndLogin(sequence) != ConnectResult::kLoggedIn) continue;

    std::string version;
    bool identified = ctx.Exchange(VersionCommand(), kVersionRule, &version, kVersionCapacity);
    if (identified) {
      env_.flags.file_variant.store(IsS3Version(version) ? FileVariant::kS3 : FileVariant::kS2);
      identified = LoadCatalogueWithRetries(env_.catalogue, env_.catalogue_folder, env_.flags.file_variant.load(),
                                            env_.catalogue_errors, kCatalogueAttempts);
    }
    if (!identified) {
      log("加载配置文件失败!\r\n"_gbk);
      continue;
    }

    if (view.ConfigureItem() && !view.SemiFinishedFlag()) {
      if (const std::optional<SerialNumbers> numbers = prompt_->AskSerialNumbers(cancel_)) {
        env_.identity.imei = numbers->imei;
        env_.identity.product_number = numbers->product_number;
        log(std::string("产品编号: "_gbk) + env_.identity.product_number + "\r\n");
      }
    }

    ctx.finished_product = view.FinishedProduct();
    for (std::size_t index = 0; index < steps.size(); ++index) {
      if (!ctx.RunFlag()) {
        log("配置测试停止!\r\n"_gbk);
        Finish(RunOutcome::kHalted);
        return;
      }
      tell([&] { view.UnitStepStarted(StepOfList(steps, index)); });
      if (!RunStep(steps[index], ctx)) {
        log(ctx.failure);
        log("\r\n");
        device_removed();
        tell([&] { view.UnitFailed(ctx.failure); });
        log("配置测试结束!\r\n"_gbk);
        Finish(RunOutcome::kFailed);
        return;
      }
    }

    log("配置测试成功!\r\n"_gbk);
    passed_.fetch_add(1);
    tell([&] { view.UnitPassed(); });
    if (!view.ContinuousFlag()) {
      log("配置测试结束!\r\n"_gbk);
      Finish(RunOutcome::kPassed);
      return;
    }
    log("等待连续配置测试时间间隔...!\r\n"_gbk);
    const std::int32_t wait_s = view.WaitTime() > 0 ? view.WaitTime() : 0;
    std::unique_lock lock(wait_mutex_);
    wait_changed_.wait_for(lock, std::chrono::seconds(wait_s), [this] { return cancel_.load(); });
  }
}

}  // namespace zt
