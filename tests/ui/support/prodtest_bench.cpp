#include "support/prodtest_bench.h"

#include <QAction>
#include <QTest>

#include "configfile/config_file.h"
#include "params/catalogue_loader.h"
#include "params/channel_modes.h"
#include "params/shared_catalogue.h"
#include "support/shell_modal.h"
#include "support/sim_config_file.h"
#include "text/profile_file.h"
#include "text/strformat.h"
#include "ui/common/qt_text.h"
#include "ui/shell/main_frame.h"

namespace zt::prodtestgui {

std::string MakeSimConfigFile(const std::string& path_base, const std::string& profile_name) {
  return test::MakeConfigFile(path_base, FileVariant::kS3, kModeSin, profile_name);
}

BenchOptions WithoutSim(std::string settings_text) {
  BenchOptions options;
  options.with_sim = false;
  options.settings_text = std::move(settings_text);
  return options;
}

BenchOptions WithSim(std::vector<std::string> sim_args) {
  BenchOptions options;
  options.sim_args = std::move(sim_args);
  return options;
}

TestViewBench::TestViewBench(BenchOptions options) {
  if (options.with_sim && !sim.Start(options.sim_args)) return;
  shelltest::HarnessOptions harness_options;
  if (options.with_sim) harness_options.port = sim.SlavePath();
  harness_options.settings_text = std::move(options.settings_text);
  harness_ = std::make_unique<shelltest::FrameHarness>(std::move(harness_options));
  harness_->Show();
  if (options.with_sim && !frame().OnOpenPort()) return;
  ok_ = OpenTestView();
}

TestViewBench::~TestViewBench() {
  if (ui::CViewTest* v = view(); v != nullptr && v->RunActive()) v->StopCommand();
  harness_.reset();
}

ui::CViewTest* TestViewBench::view() {
  return harness_ ? qobject_cast<ui::CViewTest*>(frame().CurrentPage()) : nullptr;
}

bool TestViewBench::OpenTestView() {
  QAction* command = frame().CommandAction(ui::kIdTestView);
  if (command == nullptr || !command->isEnabled()) return false;
  command->trigger();
  return view() != nullptr;
}

void TestViewBench::Click(const char* name) {
  auto* widget = Find<QWidget>(name);
  if (widget == nullptr) return;
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
  } else {
    QTest::mouseClick(widget, Qt::LeftButton);
  }
}

void TestViewBench::Tick(const char* name, bool ticked) {
  QCheckBox* box = Box(name);
  if (box != nullptr && box->isChecked() != ticked) Click(name);
}

void TestViewBench::Type(const char* name, const QString& text) {
  QLineEdit* edit = Edit(name);
  if (edit == nullptr) return;
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

void TestViewBench::PickConfigFile(const std::string& path) {
  view()->SetFileChooser([path](const ui::ConfigFileDialogRequest&) { return QString::fromStdString(path); });
  Click("importConfigButton");
}

QString TestViewBench::Info() {
  ui::CViewTest* v = view();
  return v != nullptr ? v->InfoText() : QString();
}

bool TestViewBench::WaitForInfo(std::string_view gbk, int count, int limit_ms) {
  QString what = ui::Qs(gbk);
  what.remove(QLatin1Char('\r'));
  return shelltest::WaitFor([&] { return Occurrences(Info(), what) >= count; }, limit_ms);
}

bool TestViewBench::WaitIdle(int limit_ms) {
  return shelltest::WaitFor([&] { return view() != nullptr && !view()->RunActive() && ControlsIdle(); },
                            limit_ms);
}

bool TestViewBench::ControlsIdle() {
  QPushButton* start = Button("startButton");
  QPushButton* stop = Button("stopButton");
  return start != nullptr && stop != nullptr && start->isEnabled() && !stop->isEnabled();
}

int Occurrences(const QString& text, const QString& what) {
  int n = 0;
  for (qsizetype at = text.indexOf(what); at >= 0; at = text.indexOf(what, at + what.size())) ++n;
  return n;
}

}  // namespace zt::prodtestgui
