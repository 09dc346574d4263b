#include "ui/prodtest/view_test.h"

#include "ui/common/named_widgets.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTextCursor>
#include <QVBoxLayout>
#include <chrono>

#include "common/message_box.h"
#include "params/catalogue_loader.h"
#include "prodtest/test_view_fields.h"
#include "settings/process_flags.h"
#include "ui/prodtest/page_records.h"
#include "settings/tool_settings.h"
#include "settings/window_state.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"
#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"
#include "ui/prodtest/serial_number_dlg.h"
#include "ui/prodtest/serial_number_prompt.h"
#include "ui/prodtest/test_output_relay.h"
#include "ui/prodtest/verdict_panel.h"
#include "ui/shell/shell_texts.h"
#include "ui/shell/ui_thread.h"

namespace zt::ui {

using namespace zt::literals;

namespace {

constexpr int kFontPixels = 12;
// Stop waits for the run in slices this long, serving the run's calls to
// the UI thread in between.
constexpr std::chrono::milliseconds kStopSlice{10};
// The page opens the catalogue once; a failure is reported, not retried.
constexpr int kCatalogueAttempts = 1;

// A view that takes nothing: where the lines of a run ended by the page's
// destruction go.
class DiscardingTestView final : public FixedChoicesTestView {
 public:
  DiscardingTestView() : FixedChoicesTestView(TestChoices{}) {}
  void AppendTestInfo(std::string_view) override {}
  void RestoreTestControls() override {}
};

}  // namespace

UnitIdentity& CViewTest::SharedUnitIdentity() {
  static UnitIdentity identity;
  return identity;
}

CViewTest::CViewTest(IFrameContext& frame, QWidget* parent) : CViewBase(frame, parent) {
  setObjectName(QStringLiteral("viewTest"));
  setWindowTitle(Qs("配置测试界面"_gbk));
  setFont(CjkFont(kFontPixels));
  BuildControls();

  relay_ = new TestOutputRelay(
      [this](const TestOutputRelay::Item& item) {
        if (item.restore) {
          RestoreControlsNow();
        } else if (item.unit) {
          ShowUnitReport(*item.unit);
        } else {
          AppendNow(item.text);
        }
      },
      this);
  prompt_ = std::make_unique<QtSerialNumberPrompt>(this);
  records_ = OpenPageRecords(frame);
  run_ = std::make_unique<CTestRun>(TestEnvironment{frame.Port(), frame.Catalogue(), frame.Settings(),
                                                    frame.Flags(), frame.Messages(), frame.CatalogueErrors(),
                                                    frame.CatalogueFolder(), SharedUnitIdentity(),
                                                    records_ ? &records_->recorder() : nullptr,
                                                    records_ ? &records_->guard() : nullptr});
  choose_file_ = [this](const ConfigFileDialogRequest& request) {
    return ChooseConfigFileWithDialog(this, request);
  };

  // Before the settings are read: only the choices without a tick to
  // depend on are open.
  ApplyControlStates(RestoredTestControls(false, false, false));
}

CViewTest::~CViewTest() {
  relay_->Close();
  prompt_->Shutdown();
  if (run_->Running()) {
    DiscardingTestView quiet;
    run_->BeginStop(quiet);
    // The run may be waiting for this thread (a message box): keep serving.
    while (!run_->WaitFinished(kStopSlice)) {
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents,
                                      static_cast<int>(kStopSlice.count()));
    }
  }
  run_.reset();
  // The window goes down with the run: only the table is told.
  if (run_announced_) frame().Commands().OnTestRunEnded();
}

void CViewTest::BuildControls() {
  // The kind of unit on the bench.
  auto* type_box = Named(new QGroupBox(Qs("测试类型"_gbk), this), "testTypeBox");
  semi_finished_ = Named(new QRadioButton(Qs("半成品测试"_gbk), type_box), "semiFinishedRadio");
  finished_ = Named(new QRadioButton(Qs("成品测试"_gbk), type_box), "finishedRadio");
  auto* type_layout = new QHBoxLayout(type_box);
  type_layout->addWidget(semi_finished_);
  type_layout->addWidget(finished_);
  // A finished unit's IMEI check can be overridden; on the type's own row, so
  // that the page grows no taller.
  allow_duplicate_imei_ = Named(new QCheckBox(Qs("允许重复IMEI"_gbk), type_box), "allowDuplicateImeiBox");
  type_layout->addSpacing(24);
  type_layout->addWidget(allow_duplicate_imei_);
  type_layout->addStretch(1);

  // The items.
  auto* items_box = Named(new QGroupBox(Qs("测试项选择"_gbk), this), "testItemsBox");
  configure_ = Named(new QCheckBox(Qs("参数配置"_gbk), items_box), "configureBox");
  import_config_ = Named(new QPushButton(Qs("导入参数文件"_gbk), items_box), "importConfigButton");
  config_file_edit_ = Named(new QLineEdit(items_box), "configFileEdit");
  config_file_edit_->setReadOnly(true);
  run_test_ = Named(new QCheckBox(Qs("运行测试"_gbk), items_box), "runTestBox");
  key_string_edit_ = Named(new QLineEdit(items_box), "keyStringEdit");
  signal_threshold_edit_ = DigitsEdit("signalThresholdEdit", items_box);
  signal_threshold_edit_->setText(QStringLiteral("0"));
  continuous_ = Named(new QCheckBox(Qs("连续配置测试"_gbk), items_box), "continuousBox");
  wait_time_edit_ = DigitsEdit("waitTimeEdit", items_box);
  wait_time_edit_->setText(QString::number(members_.wait_time));

  auto* items = new QGridLayout(items_box);
  items->addWidget(configure_, 0, 0);
  items->addWidget(import_config_, 0, 1);
  items->addWidget(config_file_edit_, 0, 2, 1, 5);
  items->addWidget(run_test_, 1, 0);
  items->addWidget(new QLabel(Qs("关键字符串："_gbk), items_box), 1, 1);
  items->addWidget(key_string_edit_, 1, 2, 1, 5);
  items->addWidget(new QLabel(Qs("信号强度大于或等于："_gbk), items_box), 2, 1);
  items->addWidget(signal_threshold_edit_, 2, 2);
  items->addWidget(new QLabel(Qs("(0~31)"_gbk), items_box), 2, 3);
  items->addWidget(new QLabel(Qs("（信号强度低于本设置测试不通过）"_gbk), items_box), 2, 4, 1, 3);
  items->addWidget(continuous_, 3, 0);
  items->addWidget(wait_time_edit_, 3, 2);
  items->addWidget(new QLabel(Qs("秒"_gbk), items_box), 3, 3);
  items->setColumnStretch(6, 1);

  // The firmware upgrade item exists but is never offered.
  upgrade_group_ = Named(new QGroupBox(Qs("程序升级"_gbk), this), "upgradeGroup");
  upgrade_ = Named(new QCheckBox(Qs("程序升级"_gbk), upgrade_group_), "upgradeBox");
  upgrade_file_edit_ = Named(new QLineEdit(upgrade_group_), "upgradeFileEdit");
  upgrade_file_edit_->setReadOnly(true);
  import_upgrade_ = Named(new QPushButton(Qs("导入升级文件"_gbk), upgrade_group_), "importUpgradeButton");
  import_upgrade_->setEnabled(false);
  upgrade_progress_ = Named(new QProgressBar(upgrade_group_), "upgradeProgress");
  auto* upgrade_layout = new QGridLayout(upgrade_group_);
  upgrade_layout->addWidget(upgrade_, 0, 0);
  upgrade_layout->addWidget(import_upgrade_, 0, 1);
  upgrade_layout->addWidget(upgrade_file_edit_, 0, 2);
  upgrade_layout->addWidget(new QLabel(Qs("升级进度"_gbk), upgrade_group_), 1, 0);
  upgrade_layout->addWidget(upgrade_progress_, 1, 1, 1, 2);
  upgrade_group_->setVisible(false);

  // The unit's steps and verdict, between the choices and the box.
  verdict_ = new VerdictPanel(this);
  connect(verdict_, &VerdictPanel::soundToggled, this,
          [this](bool on) { WriteVerdictSound(frame().Settings().Get().settings_path, on); });

  // The information box.
  auto* info_group = Named(new QGroupBox(Qs("配置测试信息"_gbk), this), "testInfoGroup");
  info_box_ = Named(new QPlainTextEdit(info_group), "testInfoBox");
  info_box_->setReadOnly(true);
  info_box_->setLineWrapMode(QPlainTextEdit::NoWrap);
  info_box_->setFont(CjkFont(kFontPixels));
  auto* info_layout = new QVBoxLayout(info_group);
  info_layout->addWidget(info_box_);

  start_ = Named(new QPushButton(Qs("开始"_gbk), this), "startButton");
  stop_ = Named(new QPushButton(Qs("停止"_gbk), this), "stopButton");
  clear_ = Named(new QPushButton(Qs("清空"_gbk), this), "clearButton");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* b : {start_, stop_, clear_}) buttons->addWidget(b);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(type_box);
  layout->addWidget(items_box);
  layout->addWidget(upgrade_group_);
  layout->addWidget(verdict_);
  layout->addWidget(info_group, 1);
  layout->addLayout(buttons);

  connect(continuous_, &QCheckBox::clicked, this, [this] { OnContinuousClicked(); });
  connect(configure_, &QCheckBox::clicked, this, [this] { OnConfigureClicked(); });
  connect(upgrade_, &QCheckBox::clicked, this, [this] { OnUpgradeClicked(); });
  connect(run_test_, &QCheckBox::clicked, this, [this] { OnRunTestClicked(); });
  connect(import_config_, &QPushButton::clicked, this, [this] { ImportConfigCommand(); });
  connect(import_upgrade_, &QPushButton::clicked, this, [this] { ImportUpgradeCommand(); });
  connect(start_, &QPushButton::clicked, this, [this] { StartCommand(); });
  connect(stop_, &QPushButton::clicked, this, [this] { StopCommand(); });
  connect(clear_, &QPushButton::clicked, this, [this] { ClearCommand(); });
}

void CViewTest::InitialUpdate() {
  const TestViewOpening opening = ReadTestSection(frame().Settings().Get().settings_path);
  (opening.semi_finished ? semi_finished_ : finished_)->setChecked(true);
  // The stored wait time is shown; continuous testing itself stays off.
  if (!opening.wait_time_text.empty()) wait_time_edit_->setText(Qs(opening.wait_time_text));
  if (opening.configure_item) {
    configure_->setChecked(true);
    config_file_edit_->setText(QString::fromStdString(opening.config_file));
  }
  if (opening.run_test_item) {
    run_test_->setChecked(true);
    signal_threshold_edit_->setText(Qs(opening.signal_threshold_text));
    key_string_edit_->setText(Qs(opening.key_string));
  }
  continuous_->setChecked(false);
  continuous_flag_.store(false);
  verdict_->SetSoundOn(ReadVerdictSound(frame().Settings().Get().settings_path));
  ApplyControlStates(RestoredTestControls(opening.configure_item, false, opening.run_test_item));
  LoadMembers();
  LoadCatalogueWithRetries(frame().Catalogue(), frame().CatalogueFolder(),
                           frame().Flags().file_variant.load(), frame().CatalogueErrors(),
                           kCatalogueAttempts);
}

bool CViewTest::CanLeave() {
  if (!run_->Running()) return true;
  frame().Messages().ShowMessage("配置测试正在进行，请先停止测试!"_gbk, "提示"_gbk,
                                 MessageIcon::kExclamation);
  return false;
}

// ---- the run's side ----------------------------------------------------------

void CViewTest::AppendTestInfo(std::string_view gbk) {
  if (!OnUiThread()) {
    relay_->Post({false, std::string(gbk)});
    return;
  }
  // Stop's own lines: after everything the run handed over before them.
  relay_->Flush();
  AppendNow(gbk);
}

void CViewTest::RestoreTestControls() {
  if (!OnUiThread()) {
    relay_->Post({true, {}});
    return;
  }
  relay_->Flush();
  RestoreControlsNow();
}

void CViewTest::UnitStepStarted(const UnitStep& step) {
  HandOver({TestOutputRelay::UnitReport::Kind::kStep, step, {}});
}

void CViewTest::UnitPassed() { HandOver({TestOutputRelay::UnitReport::Kind::kPassed, {}, {}}); }

void CViewTest::UnitFailed(std::string_view gbk_failure) {
  HandOver({TestOutputRelay::UnitReport::Kind::kFailed, {}, std::string(gbk_failure)});
}

void CViewTest::HandOver(TestOutputRelay::UnitReport report) {
  if (!OnUiThread()) {
    relay_->Post(TestOutputRelay::Item(std::move(report)));
    return;
  }
  relay_->Flush();
  ShowUnitReport(report);
}

void CViewTest::ShowUnitReport(const TestOutputRelay::UnitReport& report) {
  switch (report.kind) {
    case TestOutputRelay::UnitReport::Kind::kStep:
      verdict_->StepStarted(report.step);
      break;
    case TestOutputRelay::UnitReport::Kind::kPassed:
      verdict_->Passed();
      break;
    case TestOutputRelay::UnitReport::Kind::kFailed:
      verdict_->Failed(report.failure);
      break;
  }
}

void CViewTest::AppendNow(std::string_view gbk) {
  // The box breaks lines at LF; a CR of a line end (also one that came in a
  // piece of its own) is dropped.
  QString text = QsEscaped(gbk);
  text.remove(QLatin1Char('\r'));
  if (info_box_->blockCount() >= kTestInfoLineLimit) info_box_->clear();
  if (!info_box_->hasFocus()) info_box_->setFocus();
  QTextCursor cursor = info_box_->textCursor();
  cursor.movePosition(QTextCursor::End);
  info_box_->setTextCursor(cursor);
  info_box_->insertPlainText(text);
  info_box_->ensureCursorVisible();
}

void CViewTest::RestoreControlsNow() {
  verdict_->RunEnded();
  ApplyControlStates(
      RestoredTestControls(configure_->isChecked(), continuous_->isChecked(), run_test_->isChecked()));
  // The run has ended and given the port back: the worker's commands return.
  if (run_announced_) {
    run_announced_ = false;
    frame().TestRunChanged(false);
  }
}

// ---- the commands ------------------------------------------------------------

void CViewTest::StartCommand() {
  if (run_->Running() || stopping_) return;
  LoadMembers();
  const TestChoices choices = Choices();
  const StartVerdict verdict = ValidateStart(choices);
  if (!verdict.accepted()) {
    frame().Messages().ShowMessage(verdict.refusal, StartRefusalCaption(), MessageIcon::kExclamation);
    return;
  }
  // What the run reads stays as chosen now.
  semi_finished_flag_.store(choices.semi_finished);
  run_finished_.store(!choices.semi_finished);
  continuous_flag_.store(choices.continuous);
  run_wait_time_.store(choices.wait_time);
  run_configure_.store(choices.configure_item);
  run_upgrade_.store(choices.upgrade_item);
  run_run_test_.store(choices.run_test_item);
  // No worker command may be given while the run has the port.
  run_announced_ = true;
  frame().TestRunChanged(true);

  ApplyControlStates(RunningTestControls());
  // The run goes on when the choices cannot be stored; the box says so.
  if (!WriteTestSection(frame().Settings().Get().settings_path, choices)) {
    AppendTestInfo(TestSectionNotSavedLine());
  }
  relay_->Open();
  run_->Start(*verdict.run, *this, *prompt_);
}

void CViewTest::StopCommand() {
  if (stopping_) return;
  stopping_ = true;
  stop_->setEnabled(false);
  // What the run wrote before Stop is shown before Stop's lines; nothing it
  // hands over from now on is.
  relay_->Flush();
  relay_->Close();
  run_->BeginStop(*this);
  // Within about 100 ms; the run may be waiting for this thread meanwhile.
  while (!run_->WaitFinished(kStopSlice)) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, static_cast<int>(kStopSlice.count()));
  }
  run_->EndStop(*this);
  stopping_ = false;
}

void CViewTest::ClearCommand() {
  relay_->Flush();
  info_box_->clear();
}

void CViewTest::ImportConfigCommand() {
  if (!choose_file_) return;
  const std::optional<QString> path = choose_file_(ImportDialogRequest());
  if (!path) return;
  members_.config_file = NativePath(*path);
  // Only the picked path is shown anew: what the operator typed in the
  // other edits stays.
  config_file_edit_->setText(*path);
}

void CViewTest::ImportUpgradeCommand() {
  if (!choose_file_) return;
  ConfigFileDialogRequest request;
  request.kind = ConfigFileDialogRequest::Kind::kOpen;
  request.filter = QtNameFilter("升级文件(*.hex)|*.*||"_gbk);
  const std::optional<QString> path = choose_file_(request);
  members_.upgrade_file = path ? NativePath(*path) : std::string();
  upgrade_file_edit_->setText(QString::fromStdString(members_.upgrade_file));
}

SerialNumberDialog* CViewTest::OpenSerialNumberDialog() const { return prompt_->OpenDialog(); }

QString CViewTest::InfoText() const { return info_box_->toPlainText(); }

// ---- members and control states ------------------------------------------------

void CViewTest::LoadMembers() {
  if (const std::optional<std::int32_t> wait = ReadWaitTimeField(Gbk(wait_time_edit_->text()))) {
    members_.wait_time = *wait;
  } else {
    ShowConversionMessage();
  }
  if (const std::optional<std::int64_t> csq = ReadSignalThresholdField(Gbk(signal_threshold_edit_->text()))) {
    members_.signal_threshold = *csq;
  } else {
    ShowConversionMessage();
  }
  members_.key_string = Gbk(key_string_edit_->text());
  members_.config_file = NativePath(config_file_edit_->text());
  members_.upgrade_file = NativePath(upgrade_file_edit_->text());
}

void CViewTest::ShowConversionMessage() {
  frame().Messages().ShowMessage(IntegerFieldMessage(), kAppName, MessageIcon::kExclamation);
}

TestChoices CViewTest::Choices() const {
  TestChoices c;
  c.semi_finished = semi_finished_->isChecked();
  c.continuous = continuous_->isChecked();
  c.wait_time = members_.wait_time;
  c.configure_item = configure_->isChecked();
  c.config_file = members_.config_file;
  c.upgrade_item = upgrade_->isChecked();
  c.upgrade_file = members_.upgrade_file;
  c.run_test_item = run_test_->isChecked();
  c.key_string = members_.key_string;
  c.signal_threshold = members_.signal_threshold;
  c.allow_duplicate_imei = allow_duplicate_imei_->isChecked();
  return c;
}

void CViewTest::ApplyControlStates(const TestControlStates& s) {
  start_->setEnabled(s.start);
  stop_->setEnabled(s.stop);
  semi_finished_->setEnabled(s.test_type);
  finished_->setEnabled(s.test_type);
  continuous_->setEnabled(s.continuous_box);
  configure_->setEnabled(s.configure_box);
  run_test_->setEnabled(s.run_test_box);
  import_config_->setEnabled(s.import_config);
  wait_time_edit_->setEnabled(s.wait_time_edit);
  key_string_edit_->setEnabled(s.key_string_edit);
  signal_threshold_edit_->setEnabled(s.signal_threshold_edit);
  allow_duplicate_imei_->setEnabled(s.test_type);
}

void CViewTest::OnContinuousClicked() {
  continuous_flag_.store(continuous_->isChecked());
  wait_time_edit_->setEnabled(continuous_->isChecked());
}

void CViewTest::OnConfigureClicked() { import_config_->setEnabled(configure_->isChecked()); }

void CViewTest::OnUpgradeClicked() { import_upgrade_->setEnabled(upgrade_->isChecked()); }

void CViewTest::OnRunTestClicked() {
  key_string_edit_->setEnabled(run_test_->isChecked());
  signal_threshold_edit_->setEnabled(run_test_->isChecked());
}

}  // namespace zt::ui
