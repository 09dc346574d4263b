// The production-test page in a test: the real main window on its own
// settings file, optionally with the simulated DTU on the other end of the
// port, switched to the production-test page through its command, and the
// clicks and waits the tests need. Widgets are found by object name.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/dtusim_fixture.h"
#include "support/shell_harness.h"
#include "support/temp_dir.h"
#include "ui/prodtest/view_test.h"

namespace zt::prodtestgui {

// A configuration file (S3, mode SIN) whose values are those of the shipped
// simulator profile `profile_name`, so that a unit configured from it
// compares equal. Returns the path written ("<path_base>.ini").
std::string MakeSimConfigFile(const std::string& path_base,
                              const std::string& profile_name = "dtusim_s3.profile");

struct BenchOptions {
  bool with_sim = true;               // start dtusim and open the port on it
  std::vector<std::string> sim_args;  // extra dtusim options
  std::string settings_text;          // tool_set.ini before the window starts
};

// The window alone (the port stays closed), with `settings_text` in tool_set.ini.
BenchOptions WithoutSim(std::string settings_text = {});
// The window on the simulator started with `sim_args`.
BenchOptions WithSim(std::vector<std::string> sim_args = {});

class TestViewBench {
 public:
  explicit TestViewBench(BenchOptions options = {});
  ~TestViewBench();

  // The simulator started, the window shows and the port is open (with a
  // simulator), and the production-test page is on screen.
  bool ok() const { return ok_; }

  shelltest::FrameHarness& harness() { return *harness_; }
  ui::CMainFrame& frame() { return harness_->frame(); }
  // The page on screen as the production-test page (nullptr if it is not).
  ui::CViewTest* view();
  // Chooses the production-test page through its command (a fresh page).
  bool OpenTestView();

  template <typename W>
  W* Find(const char* name) {
    ui::CViewTest* v = view();
    return v != nullptr ? v->findChild<W*>(QString::fromLatin1(name)) : nullptr;
  }
  QPushButton* Button(const char* name) { return Find<QPushButton>(name); }
  QCheckBox* Box(const char* name) { return Find<QCheckBox>(name); }
  QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
  QRadioButton* Radio(const char* name) { return Find<QRadioButton>(name); }

  // A mouse click on a widget of the page.
  void Click(const char* name);
  // Ticks or unticks a check box with a click, when it is not so already.
  void Tick(const char* name, bool ticked);
  // Replaces an edit's text by typing.
  void Type(const char* name, const QString& text);
  // Picks `path` with "导入参数文件".
  void PickConfigFile(const std::string& path);

  // The information box as shown ("\n" line ends).
  QString Info();
  // Waits until the box shows `gbk` (`count` times); false after `limit_ms`.
  bool WaitForInfo(std::string_view gbk, int count = 1, int limit_ms = 60000);
  // Waits until the run has ended and its output is shown.
  bool WaitIdle(int limit_ms = 60000);

  // Whether the page is idle: Start enabled and Stop disabled.
  bool ControlsIdle();

  std::string SettingsText() const { return test::ReadFileBytes(harness_->SettingsPath()); }

  test::TempDir files;  // configuration files of the test
  test::DtuSimProcess sim;

 private:
  std::unique_ptr<shelltest::FrameHarness> harness_;
  bool ok_ = false;
};

// How many times `what` occurs in `text`.
int Occurrences(const QString& text, const QString& what);

}  // namespace zt::prodtestgui
