// The test choices of the several-ports page, a compact copy of the
// single-unit page's: the kind of unit (semi-finished / finished), the items
// (configure with its file, run test with its key string and lowest signal),
// continuous testing with its wait. The widgets carry the single page's
// object names. The upgrade item is never offered.
//
// UI thread only.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

#include "prodtest/test_settings.h"
#include "ui/config/config_file_commands.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zt {
class IMessageBox;
}

namespace zt::ui {

class TestChoicesPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TestChoicesPanel(QWidget* parent);

  // The choices as section "TEST" of `settings_path` keeps them
  // (continuous testing always off).
  void LoadSection(const std::string& settings_path);
  // The choices now. An edit that does not convert is reported through
  // `messages` and keeps the value it had.
  TestChoices Read(IMessageBox& messages);
  // While a run is active the choices stay as they are.
  void SetLocked(bool locked);

  void SetFileChooser(ConfigFileChooser chooser) { choose_file_ = std::move(chooser); }
  // "导入参数文件".
  void ImportConfigCommand();

 private:
  void UpdateEnabled();

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

  bool locked_ = false;
  std::int32_t wait_time_ = 15;
  std::int64_t signal_threshold_ = 0;
  ConfigFileChooser choose_file_;
};

}  // namespace zt::ui
