// CTestRun: the production test run. One thread that drives unit after unit
// through wake-up, login, identification, the serial-number question of a
// finished unit and the chosen steps (configure and compare, upgrade, run
// test), writing every line to the test view's information box.
//
//   run:   build the step list; "配置测试开始!\r\n"; per unit: "连接...\r\n",
//          wake (13 blanks until "RUN AT"), log in, ask the version and load
//          the catalogue of its generation (a failure of any of these tries
//          the unit again, without limit), ask the serial numbers, run the
//          steps; the first failing step ends the run; after a pass, the next
//          unit follows the wait time in continuous testing, else the run ends.
//   end:   the view's RestoreTestControls.
//
// Every unit that logged in is reported to the environment's recorder once
// it passed, failed or was stopped (prodtest/unit_recorder.h); with records
// required and none writable, the run stops before a unit's connect with
// "无法写入测试记录，测试停止\r\n". A finished unit whose IMEI an earlier passed
// unit of another product used fails before anything is sent to it, unless
// the run allows duplicate IMEIs, which its record then says.
//
// The run claims the port for itself (PortUser::kProductionTest) from its
// first exchange to its end; a worker transaction that has the port then
// ends at its next step, and the worker's later requests are refused.
//
// Stop ends a run wherever it is: every wait of the run (a transaction, the
// wait between units, the wait for the key string, the serial-number
// question) ends within about 100 ms, the stopped run writes nothing more,
// and the port and its lock are left free. Stop's own lines are
// "等待配置测试线程结束...\r\n", then, once the run has ended,
// "配置测试结束!\r\n", followed by RestoreTestControls.
//
// Threads: Start, Stop, WaitFinished and the destructor are called by the
// run's owner (the UI thread, the command line's main thread), never from
// inside the view or prompt callbacks. Running, LastOutcome and PassedUnits
// may be read from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "prodtest/test_settings.h"
#include "prodtest/test_view.h"
#include "prodtest/unit_recorder.h"

namespace zt {

class CSerialPort;
class SharedCatalogue;
class ToolSettingsStore;
class IMessageBox;
class ICatalogueErrors;
struct ProcessFlags;

// What a run works with; everything outlives the CTestRun.
struct TestEnvironment {
  CSerialPort& port;                  // opened by the front end; the run claims it for the whole run and
                                      // takes PortLock() around each read and write
  SharedCatalogue& catalogue;         // reloaded for each unit; the configure step writes its values
  ToolSettingsStore& settings;        // connect timeout and login password, read for each unit
  ProcessFlags& flags;                // file_variant is set from each unit's version
  IMessageBox& messages;              // the refusal of a configuration value, the empty step list
  ICatalogueErrors& catalogue_errors;
  std::string catalogue_folder;       // where dtuparam_s2.ini / dtuparam_s3.ini lie
  UnitIdentity& identity;             // kept between units and runs
  // The production records: each unit is reported to `recorder`, and a
  // finished unit's IMEI is checked with `imei_guard` before its serial
  // numbers are written. Either may be absent.
  IUnitRecorder* recorder = nullptr;
  IDuplicateImeiGuard* imei_guard = nullptr;
};

enum class RunOutcome {
  kNone,     // no run has ended yet, or one is active
  kPassed,   // every unit tested passed and the run ended by itself
  kFailed,   // a step failed
  kHalted,   // the run found the run flag clear ("配置测试停止!\r\n")
  kStopped,  // Stop ended it
  kNoSteps,  // no test item was chosen
};

class CTestRun {
 public:
  explicit CTestRun(TestEnvironment env);
  // Ends a run that is still going, silently, and joins it.
  ~CTestRun();
  CTestRun(const CTestRun&) = delete;
  CTestRun& operator=(const CTestRun&) = delete;

  // Starts a run with the settings of a validated Start; `view` and `prompt`
  // must outlive it. False, and nothing happens, while a run is active.
  bool Start(const RunSettings& settings, ITestView& view, ISerialNumberPrompt& prompt);

  // The Stop button: its lines go to `view` (the view on screen now).
  // BeginStop, then the wait for the run's thread, then EndStop.
  void Stop(ITestView& view);

  // Stop in two halves, for an owner that must keep serving the run's
  // calls (a message box the run waits for) while the run ends: BeginStop
  // writes "等待配置测试线程结束...\r\n", silences the run and ends its waits;
  // once WaitFinished returned true, EndStop writes "配置测试结束!\r\n" and
  // restores the controls.
  void BeginStop(ITestView& view);
  void EndStop(ITestView& view);

  // Waits up to `timeout` for the run to end by itself; true (and the thread
  // joined) when no run is active any more.
  bool WaitFinished(std::chrono::milliseconds timeout);

  bool Running() const { return running_.load(); }
  RunOutcome LastOutcome() const { return outcome_.load(); }
  // Units that passed every step in the current or last run.
  int PassedUnits() const { return passed_.load(); }

 private:
  void RunThread();
  // The duplicate-IMEI check of a finished unit; false when the unit fails.
  bool CheckImei(UnitReport& unit, const std::function<void(std::string_view)>& log);
  void Finish(RunOutcome outcome);
  void CancelWaits();
  void Join();

  TestEnvironment env_;
  RunSettings settings_;
  ITestView* view_ = nullptr;
  ISerialNumberPrompt* prompt_ = nullptr;

  std::atomic<bool> running_{false};
  std::atomic<bool> cancel_{false};  // Stop: the run flag is clear and every wait ends
  std::atomic<RunOutcome> outcome_{RunOutcome::kNone};
  std::atomic<int> passed_{0};

  // Held around every call into the view from the run thread; Stop sets
  // `silenced_` under it, after which the run writes nothing more.
  std::mutex output_mutex_;
  bool silenced_ = false;

  std::mutex wait_mutex_;
  std::condition_variable wait_changed_;  // the wait between units
  std::mutex finish_mutex_;
  std::condition_variable finished_;
  std::thread thread_;

};

}  // namespace zt
