// What the test run needs from its front end: the test view (information box,
// controls, the operator's choices) and the serial-number question asked for
// each finished unit. The window and zereltool-cli implement both.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "prodtest/step_progress.h"
#include "prodtest/test_settings.h"

namespace zt {

// The test view as the run sees it.
//
// AppendTestInfo, RestoreTestControls and the unit's reports (UnitPassed,
// UnitStepStarted, UnitFailed) are called on the run thread while the run
// holds its output lock, and AppendTestInfo and
// RestoreTestControls also on the thread that calls CTestRun::Stop. They must
// not wait for the thread that calls Stop (a window queues the text to its
// UI thread, and queues Stop's own texts the same way so that the order
// holds). The reads are made on the run thread at any time; answer them from
// atomics or from values fixed for the run.
class ITestView {
 public:
  virtual ~ITestView() = default;

  // Text for the information box (GBK; carries its own line ends, or none).
  virtual void AppendTestInfo(std::string_view gbk) = 0;
  // Puts the controls back into their idle state (RestoredTestControls).
  virtual void RestoreTestControls() = 0;
  // A unit passed every step (after "配置测试成功!\r\n"). The window has no
  // use for it; the command line counts units with it.
  virtual void UnitPassed() {}
  // The unit's progress, for a front end that shows it (the window's step
  // bar and verdict); the command line has no use for it. A step begins
  // (the connect is step 1, tried again until a unit answers), or a step
  // failed with the run's failure text and the unit has failed.
  virtual void UnitStepStarted(const UnitStep& /*step*/) {}
  virtual void UnitFailed(std::string_view /*failure*/) {}

  virtual bool ContinuousFlag() const = 0;    // "连续配置测试", read between units
  virtual std::int32_t WaitTime() const = 0;  // seconds between two units
  virtual bool SemiFinishedFlag() const = 0;  // set at Start: "半成品测试" chosen
  virtual bool ConfigureItem() const = 0;     // "参数配置" ticked
  virtual bool UpgradeItem() const = 0;       // "程序升级" ticked
  virtual bool RunTestItem() const = 0;       // "运行测试" ticked
  virtual bool FinishedProduct() const = 0;   // "成品测试" selected
};

// A view whose choices are fixed for the run (the command line, tests).
class FixedChoicesTestView : public ITestView {
 public:
  explicit FixedChoicesTestView(TestChoices choices) : choices_(std::move(choices)) {}
  bool ContinuousFlag() const override { return choices_.continuous; }
  std::int32_t WaitTime() const override { return choices_.wait_time; }
  bool SemiFinishedFlag() const override { return choices_.semi_finished; }
  bool ConfigureItem() const override { return choices_.configure_item; }
  bool UpgradeItem() const override { return choices_.upgrade_item; }
  bool RunTestItem() const override { return choices_.run_test_item; }
  bool FinishedProduct() const override { return !choices_.semi_finished; }
  const TestChoices& choices() const { return choices_; }

 private:
  TestChoices choices_;
};

// The numbers of the finished unit on the bench (GBK).
struct SerialNumbers {
  std::string product_number;
  std::string imei;
};

// The identity of the unit under test, kept between units and between runs:
// a unit whose question was closed without an answer keeps the numbers of
// the unit before. Owned by the front end; only the run thread touches it
// while a run is active.
struct UnitIdentity {
  std::string product_number;
  std::string imei;
};

// The serial-number question ("扫描序列号").
class ISerialNumberPrompt {
 public:
  virtual ~ISerialNumberPrompt() = default;
  // Called on the run thread; blocks until the operator accepted numbers
  // that pass CheckSerialNumbers, or closed the question (nothing). Must
  // return nothing within about 100 ms once `cancel` reads true, also when it
  // is already true on entry.
  virtual std::optional<SerialNumbers> AskSerialNumbers(const std::atomic<bool>& cancel) = 0;
  // Called by Stop on its own thread after `cancel` was set: a prompt that
  // waits on something other than the token (a dialog) ends the wait here.
  virtual void Cancel() {}
};

}  // namespace zt
