// The production-test page (view id 132, "配置测试界面"): the kind of unit on
// the bench, the test items, continuous testing, the information box
// "配置测试信息" and Start / Stop / Clear over the production test run.
//
// Start checks the choices, stores them in section "TEST" of tool_set.ini,
// locks the choices and starts the run; the run's lines reach the box on the
// UI thread in the order it wrote them, without the run waiting for the UI.
// Stop ends the run wherever it is and nothing of the stopped run follows
// Stop's own lines. While a run is active the page cannot be left, and the
// frame keeps the worker's commands off (the run has the port).
//
// Threads: the widgets and the commands belong to the UI thread. The run
// calls AppendTestInfo and RestoreTestControls from its own thread (they
// hand over and return) and reads the choices fixed at Start from atomics.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "prodtest/test_run.h"
#include "prodtest/test_settings.h"
#include "prodtest/test_view.h"
#include "records/store_recorder.h"
#include "ui/config/config_file_commands.h"
#include "ui/prodtest/test_output_relay.h"
#include "ui/shell/view_base.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace zt::ui {

class QtSerialNumberPrompt;
class SerialNumberDialog;
class TestOutputRelay;
class VerdictPanel;

class CViewTest : public CViewBase, public ITestView {
  Q_OBJECT

 public:
  CViewTest(IFrameContext& frame, QWidget* parent);
  // A run still going is stopped without a line, and joined.
  ~CViewTest() override;

  int ViewId() const override { return kViewTest; }
  // Opens with section "TEST" (continuous testing always off), loads the
  // members and the catalogue.
  void InitialUpdate() override;
  // Refused, with a message, while a run is active.
  bool CanLeave() override;

  // ITestView: any thread.
  void AppendTestInfo(std::string_view gbk) override;
  void RestoreTestControls() override;
  bool ContinuousFlag() const override { return continuous_flag_.load(); }
  std::int32_t WaitTime() const override { return run_wait_time_.load(); }
  bool SemiFinishedFlag() const override { return semi_finished_flag_.load(); }
  bool ConfigureItem() const override { return run_configure_.load(); }
  bool UpgradeItem() const override { return run_upgrade_.load(); }
  bool RunTestItem() const override { return run_run_test_.load(); }
  bool FinishedProduct() const override { return run_finished_.load(); }
  // The unit's reports: to the verdict panel, in order with the texts.
  void UnitStepStarted(const UnitStep& step) override;
  void UnitPassed() override;
  void UnitFailed(std::string_view gbk_failure) override;

  // The buttons.
  void StartCommand();
  void StopCommand();
  void ClearCommand();
  void ImportConfigCommand();
  void ImportUpgradeCommand();

  bool RunActive() const { return run_->Running(); }
  const CTestRun& Run() const { return *run_; }

  // The file dialogs of the two pickers. Replaceable for tests.
  void SetFileChooser(ConfigFileChooser chooser) { choose_file_ = std::move(chooser); }

  // The serial-number question of this page's runs; its dialog while open.
  QtSerialNumberPrompt& Prompt() const { return *prompt_; }
  SerialNumberDialog* OpenSerialNumberDialog() const;

  // The information box's text as shown (line ends as "\n").
  QString InfoText() const;
  // The unit's steps, time and verdict.
  VerdictPanel* Verdict() const { return verdict_; }

  // The identity of the unit under test, kept between runs and pages.
  static UnitIdentity& SharedUnitIdentity();

 private:
  struct Members {
    std::int32_t wait_time = 15;
    std::string config_file;  // file-system bytes
    std::string upgrade_file;
    std::string key_string;  // GBK
    std::int64_t signal_threshold = 0;
  };

  void BuildControls();
  // The edits into the members; an edit that does not convert shows the
  // conversion message and its member keeps its value.
  void LoadMembers();
  TestChoices Choices() const;
  void ApplyControlStates(const TestControlStates& states);
  void RestoreControlsNow();
  void AppendNow(std::string_view gbk);
  void HandOver(TestOutputRelay::UnitReport report);
  void ShowUnitReport(const TestOutputRelay::UnitReport& report);
  void ShowConversionMessage();

  void OnContinuousClicked();
  void OnConfigureClicked();
  void OnUpgradeClicked();
  void OnRunTestClicked();

  // Widgets.
  QRadioButton* semi_finished_ = nullptr;
  QRadioButton* finished_ = nullptr;
  QCheckBox* configure_ = nullptr;
  QPushButton* import_config_ = nullptr;
  QLineEdit* config_file_edit_ = nullptr;
  QCheckBox* run_test_ = nullptr;
  QLineEdit* key_string_edit_ = nullptr;
  QLineEdit* signal_threshold_edit_ = nullptr;
  QCheckBox* continuous_ = nullptr;
  QLineEdit* wait_time_edit_ = nullptr;
  QGroupBox* upgrade_group_ = nullptr;
  QCheckBox* upgrade_ = nullptr;
  QLineEdit* upgrade_file_edit_ = nullptr;
  QPushButton* import_upgrade_ = nullptr;
  QProgressBar* upgrade_progress_ = nullptr;
  QPlainTextEdit* info_box_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* clear_ = nullptr;
  VerdictPanel* verdict_ = nullptr;

  Members members_;
  ConfigFileChooser choose_file_;
  bool stopping_ = false;
  bool run_announced_ = false;  // the frame was told of the run that is active

  // What the run reads, fixed at Start (the continuous flag also follows
  // its check box, which is locked while a run is active).
  std::atomic<bool> continuous_flag_{false};
  std::atomic<std::int32_t> run_wait_time_{15};
  std::atomic<bool> semi_finished_flag_{false};
  std::atomic<bool> run_configure_{false};
  std::atomic<bool> run_upgrade_{false};
  std::atomic<bool> run_run_test_{false};
  std::atomic<bool> run_finished_{true};

  TestOutputRelay* relay_ = nullptr;
  std::unique_ptr<QtSerialNumberPrompt> prompt_;
  QCheckBox* allow_duplicate_imei_ = nullptr;
  std::unique_ptr<StationRecords> records_;  // null when the window keeps no records
  std::unique_ptr<CTestRun> run_;  // last: ends before what it uses
};

}  // namespace zt::ui
