// What one tile of the several-ports test page shows about its port: the
// state (idle, testing at a step, passed, failed with the failure text), how
// long the unit has taken, the numbers of the last unit asked for them, and
// the counts of passed and failed units.
//
// The board is fed by its station's test run (the unit's reports, on the run
// thread; the end of the run, on the run thread or on the thread that
// stops it) and read by the page on the UI thread. After every change it
// calls the change callback, which must not wait for the reading thread (the
// window queues a redraw).
//
// Thread safety: every member may be called from any thread.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "prodtest/step_progress.h"

namespace zt {

enum class StationState { kIdle, kTesting, kPassed, kFailed };

// "空闲", "测试中", "通过", "失败" (GBK).
std::string_view StationStateName(StationState state);

// What a tile draws, taken at one moment.
struct StationSnapshot {
  StationState state = StationState::kIdle;
  std::optional<UnitStep> step;     // the step under way (or the last one)
  std::string detail;               // GBK: the failure text of a failed unit, or why the port refused
  std::chrono::seconds elapsed{0};  // the unit's time (frozen once it ended)
  std::string product_number;       // GBK, of the last unit asked for its numbers
  std::string imei;
  int passed = 0;
  int failed = 0;
  bool run_active = false;  // between RunStarted and RunEnded

  // The state line: "空闲", "测试中: 步骤 2/4: 参数配置", "通过", "失败: <text>".
  std::string StateText() const;
};

class StationBoard {
 public:
  using Clock = std::chrono::steady_clock;
  using Changed = std::function<void()>;

  // Called after every change, on the changing thread, without the lock.
  void SetChangeCallback(Changed changed);

  // A run starts: a refusal shown before is forgotten.
  void RunStarted();
  void StepStarted(const UnitStep& step);
  void Passed();
  void Failed(std::string_view failure);
  // The run ended (by itself or stopped): a unit without a verdict leaves
  // the tile idle.
  void RunEnded();
  // The port would not open: the tile shows the failure with `why`; the
  // counts stay.
  void Refused(std::string_view why);
  // The unit's numbers, from its serial-number question.
  void NumbersGiven(std::string_view product_number, std::string_view imei);

  StationSnapshot Snapshot() const { return Snapshot(Clock::now()); }
  StationSnapshot Snapshot(Clock::time_point now) const;

 private:
  template <typename F>
  void Change(F&& change);

  mutable std::mutex mutex_;
  UnitBoard unit_;
  std::optional<std::string> refusal_;
  bool run_active_ = false;
  std::string product_number_;
  std::string imei_;
  Changed changed_;
};

}  // namespace zt
