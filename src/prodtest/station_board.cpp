#include "prodtest/station_board.h"

#include "text/gbk_literal.h"

namespace zt {

using namespace zt::literals;

std::string_view StationStateName(StationState state) {
  switch (state) {
    case StationState::kIdle:
      return "空闲"_gbk;
    case StationState::kTesting:
      return "测试中"_gbk;
    case StationState::kPassed:
      return "通过"_gbk;
    case StationState::kFailed:
      return "失败"_gbk;
  }
  return {};
}

std::string StationSnapshot::StateText() const {
  std::string text(StationStateName(state));
  if (state == StationState::kTesting && step) {
    text += ": ";
    text += UnitStepText(*step);
  } else if (state == StationState::kFailed && !detail.empty()) {
    text += ": ";
    text += detail;
  }
  return text;
}

void StationBoard::SetChangeCallback(Changed changed) {
  std::lock_guard lock(mutex_);
  changed_ = std::move(changed);
}

template <typename F>
void StationBoard::Change(F&& change) {
  Changed changed;
  {
    std::lock_guard lock(mutex_);
    change();
    changed = changed_;
  }
  if (changed) changed();
}

void StationBoard::RunStarted() {
  Change([this] {
    refusal_.reset();
    run_active_ = true;
  });
}

void StationBoard::StepStarted(const UnitStep& step) {
  Change([&] { unit_.StepStarted(step, Clock::now()); });
}

void StationBoard::Passed() {
  Change([this] { unit_.Passed(Clock::now()); });
}

void StationBoard::Failed(std::string_view failure) {
  Change([&] { unit_.Failed(failure, Clock::now()); });
}

void StationBoard::RunEnded() {
  Change([this] {
    unit_.RunEnded(Clock::now());
    run_active_ = false;
  });
}

void StationBoard::Refused(std::string_view why) {
  Change([&] { refusal_ = std::string(why); });
}

void StationBoard::NumbersGiven(std::string_view product_number, std::string_view imei) {
  Change([&] {
    product_number_ = std::string(product_number);
    imei_ = std::string(imei);
  });
}

StationSnapshot StationBoard::Snapshot(Clock::time_point now) const {
  std::lock_guard lock(mutex_);
  StationSnapshot s;
  s.step = unit_.Step();
  s.elapsed = unit_.Elapsed(now);
  s.product_number = product_number_;
  s.imei = imei_;
  s.passed = unit_.PassedUnits();
  s.failed = unit_.FailedUnits();
  s.run_active = run_active_;
  if (refusal_) {
    s.state = StationState::kFailed;
    s.detail = *refusal_;
  } else if (unit_.Verdict() == UnitVerdict::kPassed) {
    s.state = StationState::kPassed;
  } else if (unit_.Verdict() == UnitVerdict::kFailed) {
    s.state = StationState::kFailed;
    s.detail = unit_.Detail();
  } else if (unit_.ClockRunning()) {
    s.state = StationState::kTesting;
  }
  return s;
}

}  // namespace zt
