// How soon Stop ends a production test run, for each kind of wait the run
// can be in: an exchange with a unit that does not answer, the wait between
// two units, the wait for the key string, and the serial-number question on
// standard input. Stop returns once the run's thread has ended.
// Target: below 100 ms in every case.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cli/stdin_prompt.h"
#include "common/message_box.h"
#include "common/program_path.h"
#include "params/catalogue_loader.h"
#include "prodtest/test_run.h"
#include "serial/serial_port.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "support/dtusim_fixture.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kTargetMs = 100.0;
constexpr int kRounds = 5;

class QuietBoxes : public zt::IMessageBox, public zt::ICatalogueErrors {
 public:
  void ShowMessage(std::string_view, std::string_view, zt::MessageIcon) override {}
  void ShowCatalogueMessage(std::string_view) override {}
  void CatalogueFatal(std::string_view) override {}
  void CatalogueFileError(std::string_view) override {}
};

// Remembers the text so that the bench can see where the run is.
class WatchedView final : public zt::FixedChoicesTestView {
 public:
  using FixedChoicesTestView::FixedChoicesTestView;
  void AppendTestInfo(std::string_view gbk) override {
    std::lock_guard lock(mutex_);
    text_.append(gbk);
  }
  void RestoreTestControls() override {}
  bool Holds(std::string_view text) {
    std::lock_guard lock(mutex_);
    return text_.find(text) != std::string::npos;
  }

 private:
  std::mutex mutex_;
  std::string text_;
};

struct Case {
  const char* name;
  std::vector<std::string> sim_args;
  zt::TestChoices choices;
  std::string_view reached;  // text in the box once the run waits (empty: a wait on the wire)
  bool ask_numbers = false;
};

// One round: run until the wait is reached, then the time Stop takes.
double StopLatencyMs(const Case& c, const std::string& config) {
  zt::test::DtuSimProcess sim;
  if (!sim.Start(c.sim_args)) return -1;
  zt::ToolSettingsStore settings;
  settings.Update([&](zt::ToolSettings& s) {
    s.port_name = sim.SlavePath();
    s.baud = 115200;
    s.connect_timeout = 600;
  });
  zt::ProcessFlags flags;
  QuietBoxes boxes;
  zt::CSerialPort port(settings, flags);
  if (!port.Open()) return -1;
  zt::SharedCatalogue catalogue;
  zt::UnitIdentity identity;
  zt::CTestRun run(zt::TestEnvironment{port, catalogue, settings, flags, boxes, boxes, zt::ProgramDirectory(),
                                       identity});
  zt::TestChoices choices = c.choices;
  if (choices.configure_item) choices.config_file = config;
  const zt::StartVerdict verdict = zt::ValidateStart(choices);
  if (!verdict.accepted()) return -1;

  // Standard input of the question: a pipe nobody writes to.
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  zt::cli::StdinSerialNumberPrompt prompt(fds[0]);
  WatchedView view(choices);
  run.Start(*verdict.run, view, prompt);
  const auto give_up = Clock::now() + std::chrono::seconds(30);
  if (c.reached.empty()) {
    sim.WaitForReceived("             ");
  } else {
    while (!view.Holds(c.reached) && Clock::now() < give_up) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // Let the run settle into the wait.
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  const auto start = Clock::now();
  run.Stop(view);
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  ::close(fds[0]);
  ::close(fds[1]);
  return ms;
}

}  // namespace

int main() {
  using namespace zt::literals;
  zt::test::TempDir dir;
  const std::string config = dir.File("config.ini");
  {
    // Any file will do: the run is stopped while it asks for the numbers.
    std::FILE* f = std::fopen(config.c_str(), "wb");
    if (f == nullptr) return 1;
    std::fclose(f);
  }
  zt::TestChoices run_test;
  run_test.semi_finished = true;
  run_test.run_test_item = true;
  run_test.key_string = "ZR-3100 READY";
  zt::TestChoices between = run_test;
  between.continuous = true;
  between.wait_time = 3600;
  zt::TestChoices finished;
  finished.semi_finished = false;
  finished.configure_item = true;

  const std::vector<Case> cases = {
      {"exchange with a mute unit", {"--mute"}, run_test, ""},
      {"wait between two units", {}, between, "等待连续配置测试时间间隔"_gbk},
      {"wait for the key string", {"--no-ready"}, run_test, "Revision:"},
      {"serial-number question", {}, finished, "登录成功"_gbk},
  };
  bool all_met = true;
  std::printf("time from Stop to the end of the run (%d rounds each)\n", kRounds);
  std::printf("%-28s %10s %10s %8s\n", "wait", "median ms", "max ms", "target");
  for (const Case& c : cases) {
    std::vector<double> ms;
    for (int i = 0; i < kRounds; ++i) ms.push_back(StopLatencyMs(c, config));
    std::sort(ms.begin(), ms.end());
    const bool met = ms.front() >= 0 && ms.back() < kTargetMs;
    all_met = all_met && met;
    std::printf("%-28s %10.1f %10.1f %8s\n", c.name, ms[ms.size() / 2], ms.back(), met ? "met" : "MISSED");
  }
  return all_met ? 0 : 1;
}
