// What the production-test page shows about the unit on the bench: which of
// its steps runs (step n of m, with the step's name), how long the unit has
// taken, and its verdict, with the counts of passed and failed units.
//
// A unit goes through the connect (wake-up, login, identification) and then
// the run's steps. The run reports each step as it begins and the unit's
// end (ITestView::UnitStepStarted, UnitPassed, UnitFailed); UnitBoard turns
// those reports into what the page draws. Nothing here reaches the wire or
// the information box.
//
// Thread safety: plain values; the page keeps its board on the UI thread.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

enum class TestStepKind;

enum class UnitStage { kConnect, kConfigure, kCompare, kUpgrade, kRunTest };

// One step of a unit as the run reports it: number `number` (from 1, the
// connect) of `count`.
struct UnitStep {
  int number = 1;
  int count = 1;
  UnitStage stage = UnitStage::kConnect;

  bool operator==(const UnitStep&) const = default;
};

// "连接", "参数配置", "配置比较", "程序升级", "运行测试" (GBK).
std::string_view UnitStageName(UnitStage stage);
UnitStage StageOfStep(TestStepKind step);

// The connect, then every step of the list.
int UnitStepCount(const std::vector<TestStepKind>& steps);
// The step report of the list's step at `index` (the connect is number 1).
UnitStep StepOfList(const std::vector<TestStepKind>& steps, std::size_t index);

// The step bar's text: "步骤 2/4: 参数配置".
std::string UnitStepText(const UnitStep& step);

enum class UnitVerdict { kNone, kPassed, kFailed };

// "通过" or "失败"; empty for none.
std::string_view UnitVerdictText(UnitVerdict verdict);
// What a failed unit shows under its verdict: the run's failure text as one
// line (line ends and surrounding blanks gone), or, when the run left none,
// the name of the step that failed.
std::string FailureDetail(std::string_view failure, UnitStage failed_stage);
// "通过: 3  失败: 1".
std::string UnitTallyText(int passed, int failed);

// When the bell rings for a verdict, in milliseconds from the verdict: once
// for a pass, three times for a failure; never without a verdict.
std::vector<int> VerdictBellDelays(UnitVerdict verdict);

class UnitBoard {
 public:
  using Clock = std::chrono::steady_clock;

  // A step begins. The connect of a unit begins a new unit when the last
  // one has its verdict (or none was tested yet): the verdict goes and the
  // unit's clock starts again. A connect tried again (no unit answered yet)
  // is the same unit.
  void StepStarted(const UnitStep& step, Clock::time_point now);
  // The unit's end: its verdict stays until the next unit begins.
  void Passed(Clock::time_point now);
  void Failed(std::string_view failure, Clock::time_point now);
  // The run ended without a verdict for the unit (stopped, halted): the
  // clock stops, the step bar stays as it was.
  void RunEnded(Clock::time_point now);

  const std::optional<UnitStep>& Step() const { return step_; }
  UnitVerdict Verdict() const { return verdict_; }
  const std::string& Detail() const { return detail_; }  // GBK, a failed unit's
  int PassedUnits() const { return passed_; }
  int FailedUnits() const { return failed_; }
  // The unit's time so far (frozen once it ended); zero before the first unit.
  std::chrono::seconds Elapsed(Clock::time_point now) const;
  bool ClockRunning() const { return running_; }

 private:
  void Stop(Clock::time_point now);

  std::optional<UnitStep> step_;
  UnitVerdict verdict_ = UnitVerdict::kNone;
  std::string detail_;
  int passed_ = 0;
  int failed_ = 0;
  bool unit_open_ = false;  // a unit is under test and has no verdict yet
  bool running_ = false;
  Clock::time_point started_{};
  Clock::duration frozen_{};
};

}  // namespace zt
