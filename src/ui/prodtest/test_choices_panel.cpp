#include "ui/prodtest/test_choices_panel.h"

#include "ui/common/named_widgets.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "common/message_box.h"
#include "prodtest/test_view_fields.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/shell/shell_texts.h"

namespace zt::ui {

using namespace zt::literals;

TestChoicesPanel::TestChoicesPanel(QWidget* parent) : QWidget(parent) {
  semi_finished_ = Named(new QRadioButton(Qs("半成品测试"_gbk), this), "semiFinishedRadio");
  finished_ = Named(new QRadioButton(Qs("成品测试"_gbk), this), "finishedRadio");
  finished_->setChecked(true);
  configure_ = Named(new QCheckBox(Qs("参数配置"_gbk), this), "configureBox");
  import_config_ = Named(new QPushButton(Qs("导入参数文件"_gbk), this), "importConfigButton");
  config_file_edit_ = Named(new QLineEdit(this), "configFileEdit");
  config_file_edit_->setReadOnly(true);
  run_test_ = Named(new QCheckBox(Qs("运行测试"_gbk), this), "runTestBox");
  key_string_edit_ = Named(new QLineEdit(this), "keyStringEdit");
  signal_threshold_edit_ = DigitsEdit("signalThresholdEdit", this);
  signal_threshold_edit_->setText(QStringLiteral("0"));
  continuous_ = Named(new QCheckBox(Qs("连续配置测试"_gbk), this), "continuousBox");
  wait_time_edit_ = DigitsEdit("waitTimeEdit", this);
  wait_time_edit_->setText(QString::number(wait_time_));

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(semi_finished_, 0, 0);
  grid->addWidget(finished_, 0, 1);
  grid->addWidget(configure_, 1, 0);
  grid->addWidget(import_config_, 1, 1);
  grid->addWidget(config_file_edit_, 1, 2, 1, 4);
  grid->addWidget(run_test_, 2, 0);
  grid->addWidget(new QLabel(Qs("关键字符串："_gbk), this), 2, 1);
  grid->addWidget(key_string_edit_, 2, 2);
  grid->addWidget(new QLabel(Qs("信号强度≥"_gbk), this), 2, 3);
  grid->addWidget(signal_threshold_edit_, 2, 4);
  grid->addWidget(continuous_, 3, 0);
  grid->addWidget(new QLabel(Qs("间隔(秒)："_gbk), this), 3, 1);
  grid->addWidget(wait_time_edit_, 3, 2);
  grid->setColumnStretch(5, 1);

  for (QAbstractButton* b :
       {static_cast<QAbstractButton*>(configure_), static_cast<QAbstractButton*>(run_test_),
        static_cast<QAbstractButton*>(continuous_)}) {
    connect(b, &QAbstractButton::toggled, this, [this] { UpdateEnabled(); });
  }
  connect(import_config_, &QPushButton::clicked, this, [this] { ImportConfigCommand(); });
  choose_file_ = [this](const ConfigFileDialogRequest& request) {
    return ChooseConfigFileWithDialog(this, request);
  };
  UpdateEnabled();
}

void TestChoicesPanel::LoadSection(const std::string& settings_path) {
  const TestViewOpening opening = ReadTestSection(settings_path);
  (opening.semi_finished ? semi_finished_ : finished_)->setChecked(true);
  if (!opening.wait_time_text.empty()) wait_time_edit_->setText(Qs(opening.wait_time_text));
  configure_->setChecked(opening.configure_item);
  if (opening.configure_item) config_file_edit_->setText(QString::fromStdString(opening.config_file));
  run_test_->setChecked(opening.run_test_item);
  if (opening.run_test_item) {
    signal_threshold_edit_->setText(Qs(opening.signal_threshold_text));
    key_string_edit_->setText(Qs(opening.key_string));
  }
  continuous_->setChecked(false);
  UpdateEnabled();
}

TestChoices TestChoicesPanel::Read(IMessageBox& messages) {
  if (const std::optional<std::int32_t> wait = ReadWaitTimeField(Gbk(wait_time_edit_->text()))) {
    wait_time_ = *wait;
  } else {
    messages.ShowMessage(IntegerFieldMessage(), kAppName, MessageIcon::kExclamation);
  }
  if (const std::optional<std::int64_t> csq = ReadSignalThresholdField(Gbk(signal_threshold_edit_->text()))) {
    signal_threshold_ = *csq;
  } else {
    messages.ShowMessage(IntegerFieldMessage(), kAppName, MessageIcon::kExclamation);
  }
  TestChoices c;
  c.semi_finished = semi_finished_->isChecked();
  c.continuous = continuous_->isChecked();
  c.wait_time = wait_time_;
  c.configure_item = configure_->isChecked();
  c.config_file = NativePath(config_file_edit_->text());
  c.run_test_item = run_test_->isChecked();
  c.key_string = Gbk(key_string_edit_->text());
  c.signal_threshold = signal_threshold_;
  return c;
}

void TestChoicesPanel::SetLocked(bool locked) {
  locked_ = locked;
  UpdateEnabled();
}

void TestChoicesPanel::ImportConfigCommand() {
  if (!choose_file_ || locked_) return;
  if (const std::optional<QString> path = choose_file_(ImportDialogRequest()))
    config_file_edit_->setText(*path);
}

void TestChoicesPanel::UpdateEnabled() {
  const bool open = !locked_;
  semi_finished_->setEnabled(open);
  finished_->setEnabled(open);
  configure_->setEnabled(open);
  run_test_->setEnabled(open);
  continuous_->setEnabled(open);
  import_config_->setEnabled(open && configure_->isChecked());
  key_string_edit_->setEnabled(open && run_test_->isChecked());
  signal_threshold_edit_->setEnabled(open && run_test_->isChecked());
  wait_time_edit_->setEnabled(open && continuous_->isChecked());
}

}  // namespace zt::ui
