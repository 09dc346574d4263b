#include "support/prodtest_bench.h"

#include <QAction>
#include <QTest>

#include "configfile/config_file.h"
#include "params/catalogue_loader.h"
#include "params/channel_modes.h"
#include "params/shared_catalogue.h"
#include "support/shell_modal.h"
#include "text/profile_file.h"
#include "text/strformat.h"
#include "ui/common/qt_text.h"
#include "ui/shell/main_frame.h"

namespace zt::prodtestgui {

std::string MakeSimConfigFile(const std::string& path_base, const std::string& profile_name) {
  const ProfileFile profile = ProfileFile::Load(test::ShippedDataFile(profile_name));
  SharedCatalogue catalogue;
  if (!LoadCatalogue(catalogue, std::string(ZT_SOURCE_DATA_DIR) + "/", FileVariant::kS3).loaded()) return {};
  catalogue.Write([&](CParamCatalogue& c) {
    for (int g = 1; g < kGroupSlots; ++g) {
      ParamGroup& group = c.groups[g];
      std::string section = "base";
      if (group.chn >= 1) {
        std::int32_t own = kModeSin;
        while (own <= kModeMulb && (group.dtu_run_type & own) == 0) own <<= 1;
        section = Format("channel %s %d", std::string(ModeToken(own)), group.chn);
      }
      for (int i = 0; i < group.UsedCount(); ++i) {
        ParamDef& p = group.params[i];
        p.value = profile.Get(section, p.short_name).value_or(std::string());
        if (p.short_name == "SPSV") p.value = "V" + profile.Get("device", "version").value_or("");
        if (p.short_name == "OPPRM") p.value = std::string(ModeToken(kModeSin));
      }
    }
  });
  if (!ExportConfigFile(catalogue, path_base, kModeSin).ok) return {};
  return ExportPathFor(path_base);
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
