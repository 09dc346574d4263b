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

using SystemClock = std::chrono::system_clock;

std::int64_t MillisecondsBetween(SystemClock::time_point from, SystemClock::time_point to) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

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

  // The unit under test, from its login to its end, and when its current
  // step (or its connect) began.
  std::optional<UnitReport> unit;
  SystemClock::time_point mark;
  const auto step_ended = [&](UnitStage stage, std::string_view name, UnitEnd result, const std::string& failure) {
    if (!unit) return;
    const auto now = SystemClock::now();
    unit->steps.push_back(UnitStepReport{stage, std::string(name), result, failure, MillisecondsBetween(mark, now)});
    mark = now;
  };
  const auto end_unit = [&](UnitEnd result) {
    if (!unit) return;
    unit->ended = SystemClock::now();
    unit->result = result;
    unit->readings = ctx.readings;
    if (env_.recorder != nullptr) {
      const std::string line = env_.recorder->UnitEnded(*unit);
      if (!line.empty()) log(line + "\r\n");
    }
    unit.reset();
  };

  for (;;) {
    if (!ctx.RunFlag()) {
      log("配置测试停止!\r\n"_gbk);
      end_unit(UnitEnd::kStopped);
      Finish(RunOutcome::kHalted);
      return;
    }
    if (device_removed()) {
      log("配置测试结束!\r\n"_gbk);
      end_unit(UnitEnd::kFailed);
      Finish(RunOutcome::kFailed);
      return;
    }
    if (!unit && env_.recorder != nullptr && !env_.recorder->UnitStarting(env_.port.OpenedPortName())) {
      log(std::string(RecordsRequiredStopLine()) + "\r\n");
      log("配置测试结束!\r\n"_gbk);
      Finish(RunOutcome::kFailed);
      return;
    }
    const SystemClock::time_point connect_began = SystemClock::now();
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
    if (!unit) {
      // A unit answered: its record begins with the connect that found it.
      unit = UnitReport{};
      unit->started = connect_began;
      mark = connect_began;
      unit->finished_product = view.FinishedProduct();
      unit->configure_item = view.ConfigureItem();
      unit->upgrade_item = view.UpgradeItem();
      unit->run_test_item = view.RunTestItem();
      unit->config_file = settings_.config_file;
      unit->key_string = settings_.key_string;
      unit->signal_threshold = settings_.signal_threshold;
      unit->port_name = env_.port.OpenedPortName();
      ctx.readings = {};
    }

    std::string version;
    bool identified = ctx.Exchange(VersionCommand(), kVersionRule, &version, kVersionCapacity);
    if (identified) {
      unit->software_version = VersionValue(version);
      env_.flags.file_variant.store(IsS3Version(version) ? FileVariant::kS3 : FileVariant::kS2);
      identified = LoadCatalogueWithRetries(env_.catalogue, env_.catalogue_folder, env_.flags.file_variant.load(),
                                            env_.catalogue_errors, kCatalogueAttempts);
    }
    if (!identified) {
      log("加载配置文件失败!\r\n"_gbk);
      continue;
    }
    step_ended(UnitStage::kConnect, UnitStageName(UnitStage::kConnect), UnitEnd::kPassed, {});

    if (view.ConfigureItem() && !view.SemiFinishedFlag()) {
      if (const std::optional<SerialNumbers> numbers = prompt_->AskSerialNumbers(cancel_)) {
        env_.identity.imei = numbers->imei;
        env_.identity.product_number = numbers->product_number;
        log(std::string("产品编号: "_gbk) + env_.identity.product_number + "\r\n");
      }
      // What the configure step will write into the unit.
      unit->product_written = env_.identity.product_number;
      unit->imei_written = env_.identity.imei;
      mark = SystemClock::now();
      if (ctx.RunFlag() && !CheckImei(*unit, log)) {
        ctx.failure = unit->steps.back().failure;
        log(ctx.failure);
        log("\r\n");
        tell([&] { view.UnitFailed(ctx.failure); });
        log("配置测试结束!\r\n"_gbk);
        end_unit(UnitEnd::kFailed);
        Finish(RunOutcome::kFailed);
        return;
      }
    }

    ctx.finished_product = view.FinishedProduct();
    for (std::size_t index = 0; index < steps.size(); ++index) {
      if (!ctx.RunFlag()) {
        log("配置测试停止!\r\n"_gbk);
        end_unit(UnitEnd::kStopped);
        Finish(RunOutcome::kHalted);
        return;
      }
      const UnitStage stage = StageOfStep(steps[index]);
      tell([&] { view.UnitStepStarted(StepOfList(steps, index)); });
      mark = SystemClock::now();
      if (!RunStep(steps[index], ctx)) {
        // A step that Stop ended did not fail: the unit was stopped.
        const bool stopped = cancel_.load();
        step_ended(stage, UnitStageName(stage), stopped ? UnitEnd::kStopped : UnitEnd::kFailed,
                   stopped ? std::string() : ctx.failure);
        log(ctx.failure);
        log("\r\n");
        device_removed();
        tell([&] { view.UnitFailed(ctx.failure); });
        log("配置测试结束!\r\n"_gbk);
        end_unit(stopped ? UnitEnd::kStopped : UnitEnd::kFailed);
        Finish(RunOutcome::kFailed);
        return;
      }
      step_ended(stage, UnitStageName(stage), UnitEnd::kPassed, {});
    }

    log("配置测试成功!\r\n"_gbk);
    end_unit(UnitEnd::kPassed);
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

bool CTestRun::CheckImei(UnitReport& unit, const std::function<void(std::string_view)>& log) {
  if (env_.imei_guard == nullptr) return true;
  const SystemClock::time_point asked = SystemClock::now();
  std::string note;
  const std::optional<std::string> earlier = env_.imei_guard->EarlierUse(unit.imei_written, unit.product_written, note);
  if (!note.empty()) log(note + "\r\n");
  if (!earlier) return true;
  if (settings_.allow_duplicate_imei) {
    // The operator's override: the unit goes on, and its record says so.
    unit.duplicate_imei_override = true;
    log(*earlier + std::string("，已允许重复IMEI\r\n"_gbk));
    return true;
  }
  unit.steps.push_back(UnitStepReport{UnitStage::kConfigure, std::string(DuplicateImeiCheckName()), UnitEnd::kFailed,
                                      *earlier, MillisecondsBetween(asked, SystemClock::now())});
  return false;
}

}  // namespace zt
