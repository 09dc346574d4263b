#include "prodtest/step_progress.h"

#include "prodtest/test_steps.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"

namespace zt {

using namespace zt::literals;

std::string_view UnitStageName(UnitStage stage) {
  switch (stage) {
    case UnitStage::kConnect:
      return "连接"_gbk;
    case UnitStage::kConfigure:
      return "参数配置"_gbk;
    case UnitStage::kCompare:
      return "配置比较"_gbk;
    case UnitStage::kUpgrade:
      return "程序升级"_gbk;
    case UnitStage::kRunTest:
      return "运行测试"_gbk;
  }
  return {};
}

UnitStage StageOfStep(TestStepKind step) {
  switch (step) {
    case TestStepKind::kConfigure:
      return UnitStage::kConfigure;
    case TestStepKind::kCompare:
      return UnitStage::kCompare;
    case TestStepKind::kUpgrade:
      return UnitStage::kUpgrade;
    case TestStepKind::kRunTest:
      return UnitStage::kRunTest;
  }
  return UnitStage::kConnect;
}

int UnitStepCount(const std::vector<TestStepKind>& steps) { return static_cast<int>(steps.size()) + 1; }

UnitStep StepOfList(const std::vector<TestStepKind>& steps, std::size_t index) {
  return UnitStep{static_cast<int>(index) + 2, UnitStepCount(steps), StageOfStep(steps.at(index))};
}

std::string UnitStepText(const UnitStep& step) {
  return Format("步骤 %d/%d: %s"_gbk, step.number, step.count, std::string(UnitStageName(step.stage)));
}

std::string_view UnitVerdictText(UnitVerdict verdict) {
  switch (verdict) {
    case UnitVerdict::kNone:
      return {};
    case UnitVerdict::kPassed:
      return "通过"_gbk;
    case UnitVerdict::kFailed:
      return "失败"_gbk;
  }
  return {};
}

std::string FailureDetail(std::string_view failure, UnitStage failed_stage) {
  std::string line;
  line.reserve(failure.size());
  for (const char c : failure) {
    if (c == '\r' || c == '\n') {
      if (!line.empty() && line.back() != ' ') line.push_back(' ');
    } else {
      line.push_back(c);
    }
  }
  const std::size_t first = line.find_first_not_of(' ');
  if (first == std::string::npos) return std::string(UnitStageName(failed_stage));
  const std::size_t last = line.find_last_not_of(' ');
  return line.substr(first, last - first + 1);
}

std::string UnitTallyText(int passed, int failed) { return Format("通过: %d  失败: %d"_gbk, passed, failed); }

std::vector<int> VerdictBellDelays(UnitVerdict verdict) {
  // Far enough apart to be heard as three, close enough to be one signal.
  constexpr int kGapMs = 250;
  switch (verdict) {
    case UnitVerdict::kNone:
      return {};
    case UnitVerdict::kPassed:
      return {0};
    case UnitVerdict::kFailed:
      return {0, kGapMs, 2 * kGapMs};
  }
  return {};
}

void UnitBoard::StepStarted(const UnitStep& step, Clock::time_point now) {
  if (step.stage == UnitStage::kConnect && !unit_open_) {
    unit_open_ = true;
    verdict_ = UnitVerdict::kNone;
    detail_.clear();
    running_ = true;
    started_ = now;
    frozen_ = {};
  }
  step_ = step;
}

void UnitBoard::Passed(Clock::time_point now) {
  Stop(now);
  unit_open_ = false;
  verdict_ = UnitVerdict::kPassed;
  detail_.clear();
  ++passed_;
}

void UnitBoard::Failed(std::string_view failure, Clock::time_point now) {
  Stop(now);
  unit_open_ = false;
  verdict_ = UnitVerdict::kFailed;
  detail_ = FailureDetail(failure, step_ ? step_->stage : UnitStage::kConnect);
  ++failed_;
}

void UnitBoard::RunEnded(Clock::time_point now) {
  Stop(now);
  // The next run's first connect begins a new unit.
  unit_open_ = false;
}

void UnitBoard::Stop(Clock::time_point now) {
  if (!running_) return;
  running_ = false;
  frozen_ = now - started_;
}

std::chrono::seconds UnitBoard::Elapsed(Clock::time_point now) const {
  return std::chrono::duration_cast<std::chrono::seconds>(running_ ? now - started_ : frozen_);
}

}  // namespace zt
