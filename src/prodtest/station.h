// One port of the production test on several ports at once: everything a
// run on that port works with, owned apart from every other port. Its own
// settings (a copy of the front end's with the station's port name), its own
// flags (port closed, AT mode: nothing on one port decides another port's
// fate), its own catalogue (loaded per unit from the shared catalogue
// files), its own port, the identity of its unit under test and its own
// CTestRun. What the stations share is read only: the catalogue files, the
// configuration file and the choices of a validated Start.
//
// The station is the run's test view: the choices are fixed at Start, the
// unit's reports go to its StationBoard, the run's lines to an optional
// sink. It wraps the front end's serial-number question so that the board
// learns the numbers the operator gave.
//
// Threads: construction, OpenPort, ClosePort, Start, the stop calls and the
// destructor belong to the owner (the UI thread, a test's thread), never to
// a callback of the run. Board, Running and the sink may be used from any
// thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "params/shared_catalogue.h"
#include "prodtest/station_board.h"
#include "prodtest/test_run.h"
#include "prodtest/test_settings.h"
#include "prodtest/test_view.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"

namespace zt {

class CSerialPort;
class IMessageBox;
class ICatalogueErrors;

// What every station of a page shares; all of it outlives the stations.
struct StationServices {
  IMessageBox& messages;               // a refused configuration value; called on the run thread
  ICatalogueErrors& catalogue_errors;  // a catalogue that cannot be loaded
  std::string catalogue_folder;        // where dtuparam_s2.ini / dtuparam_s3.ini lie
  // The station's production records, when it keeps them: a recorder of
  // this station's own, and the duplicate-IMEI guard the stations share.
  IUnitRecorder* recorder = nullptr;
  IDuplicateImeiGuard* imei_guard = nullptr;
};

class Station final : private ITestView, private ISerialNumberPrompt {
 public:
  using InfoSink = std::function<void(std::string_view gbk)>;

  // `base` is the front end's settings (line format, password, timeouts);
  // the station's copy names `port_name`.
  Station(std::string port_name, const ToolSettings& base, const StationServices& services);
  // Ends a run that is still going without a line, joins it, closes the port.
  ~Station() override;
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  const std::string& PortName() const { return port_name_; }
  StationBoard& Board() { return board_; }
  const StationBoard& Board() const { return board_; }

  // Opens the port unless it is open. A refusal shows on the board, with
  // the port's own text; false then.
  bool OpenPort();
  void ClosePort();
  bool PortOpen() const;

  // Opens the port when needed and starts a run with the choices of a
  // validated Start. `prompt` asks the operator for a finished unit's
  // numbers and must outlive the run. False when a run is active or the
  // port refused.
  bool Start(const RunSettings& run, const TestChoices& choices, ISerialNumberPrompt& prompt);

  // Stop, whole or in halves as CTestRun has it (BeginStop ends every wait
  // of the run within about 100 ms; EndStop once WaitFinished said true).
  void Stop();
  void BeginStop();
  bool WaitFinished(std::chrono::milliseconds timeout);
  void EndStop();

  bool Running() const { return run_->Running(); }
  const CTestRun& Run() const { return *run_; }

  // Where the run's lines go (GBK; any thread; nothing by default).
  void SetInfoSink(InfoSink sink);

 private:
  // ITestView, on the run thread (the texts and the restore also on the
  // thread that stops the run).
  void AppendTestInfo(std::string_view gbk) override;
  void RestoreTestControls() override;
  void UnitPassed() override;
  void UnitStepStarted(const UnitStep& step) override;
  void UnitFailed(std::string_view failure) override;
  bool ContinuousFlag() const override { return continuous_.load(); }
  std::int32_t WaitTime() const override { return wait_time_.load(); }
  bool SemiFinishedFlag() const override { return semi_finished_.load(); }
  bool ConfigureItem() const override { return configure_.load(); }
  bool UpgradeItem() const override { return upgrade_.load(); }
  bool RunTestItem() const override { return run_test_.load(); }
  bool FinishedProduct() const override { return !semi_finished_.load(); }

  // ISerialNumberPrompt: the front end's question, with the answer noted.
  std::optional<SerialNumbers> AskSerialNumbers(const std::atomic<bool>& cancel) override;
  void Cancel() override;

  std::string port_name_;
  ToolSettingsStore settings_;
  ProcessFlags flags_;
  SharedCatalogue catalogue_;
  StationServices services_;
  std::unique_ptr<CSerialPort> port_;
  UnitIdentity identity_;
  StationBoard board_;

  std::atomic<bool> continuous_{false};
  std::atomic<std::int32_t> wait_time_{0};
  std::atomic<bool> semi_finished_{true};
  std::atomic<bool> configure_{false};
  std::atomic<bool> upgrade_{false};
  std::atomic<bool> run_test_{false};
  ISerialNumberPrompt* prompt_ = nullptr;  // set by Start, before the run's thread

  std::mutex sink_mutex_;
  InfoSink sink_;

  std::unique_ptr<CTestRun> run_;  // last: ends before what it uses
};

}  // namespace zt
