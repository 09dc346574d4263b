// The production test's own cost in the configure and compare steps: the
// shipped S3 catalogue against the simulated DTU at 115200 baud. Printed
// beside the tool's wall time: the time the exchanged bytes take on a
// 115200-baud line (10 bits a byte, both directions) plus the simulator's own
// reply delays (the answer delay it is started with, and the 30 ms it waits
// after a command that ends in CR alone for an LF that may follow).
// Target: the tool's time beyond that sum stays under 20 % of it.
//
// The pseudo-terminal carries the bytes at memory speed, so the wall time
// holds none of the wire time: the figure is an upper bound of what the
// tool adds on a real line.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/message_box.h"
#include "common/program_path.h"
#include "params/catalogue_loader.h"
#include "prodtest/step_context.h"
#include "prodtest/test_steps.h"
#include "serial/at_transaction.h"
#include "serial/serial_port.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "support/dtusim_fixture.h"
#include "support/temp_dir.h"
#include "text/profile_file.h"
#include "text/strformat.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kBitsPerByte = 10.0;
constexpr double kBaud = 115200.0;
constexpr double kTargetShare = 0.20;
// The simulator waits this long for an LF after a CR.
constexpr double kCrAloneWaitS = 0.030;

class QuietCatalogueErrors : public zt::ICatalogueErrors {
 public:
  void ShowCatalogueMessage(std::string_view) override {}
  void CatalogueFatal(std::string_view) override {}
  void CatalogueFileError(std::string_view) override {}
};

// A configuration file of the shipped S3 catalogue holding the simulator's
// own values, so that configure and compare both pass.
std::string MakeConfigFile(const std::string& path) {
  const zt::ProfileFile profile = zt::ProfileFile::Load(zt::test::ShippedDataFile("dtusim_s3.profile"));
  zt::SharedCatalogue catalogue;
  if (!zt::LoadCatalogue(catalogue, zt::ProgramDirectory(), zt::FileVariant::kS3).loaded()) return {};
  zt::ProfileFile file;
  catalogue.Read([&](const zt::CParamCatalogue& c) {
    for (int g = 1; g < zt::kGroupSlots; ++g) {
      const zt::ParamGroup& group = c.groups[g];
      const bool sin_group = group.chn == 1 && (group.dtu_run_type & zt::kModeSin) != 0;
      if (!group.used() || (group.chn >= 1 && !sin_group)) continue;
      const std::string section = group.chn >= 1 ? "channel SIN 1" : "base";
      for (int i = 0; i < group.UsedCount(); ++i) {
        const zt::ParamDef& p = group.params[i];
        std::string value = profile.Get(section, p.short_name).value_or("");
        if (p.short_name == "OPPRM") value = "SIN";
        file.Set(group.name, p.name, value);
      }
    }
    return 0;
  });
  return file.Save(path) ? path : std::string();
}

struct Figures {
  double wall_s = 0;
  double wire_s = 0;
  double delays_s = 0;
  std::size_t bytes = 0;
  std::size_t exchanges = 0;
  bool passed = false;
};

Figures Measure(int reply_delay_ms, const std::string& config) {
  Figures f;
  zt::test::DtuSimProcess sim;
  if (!sim.Start({"--delay", std::to_string(reply_delay_ms)})) {
    std::fprintf(stderr, "dtusim: %s\n", sim.error().c_str());
    return f;
  }
  zt::ToolSettingsStore settings;
  settings.Update([&](zt::ToolSettings& s) {
    s.port_name = sim.SlavePath();
    s.baud = 115200;
  });
  zt::ProcessFlags flags;
  QuietCatalogueErrors errors;
  zt::CSerialPort port(settings, flags);
  if (!port.Open()) return f;

  // Wake and log in as the run does, and load the catalogue of the unit.
  std::string reply;
  std::uint16_t length = 0;
  if (zt::FrameSendAndWait(port, "             ", "RUN AT", reply, 1024, length, 1, 5) != zt::AtResult::kMatched ||
      zt::FrameSendAndWait(port, "AT+LOGIN=pilot\r", "OK", reply, 1024, length, 3, 3) != zt::AtResult::kMatched) {
    std::fprintf(stderr, "the simulated DTU did not answer\n");
    return f;
  }
  zt::SharedCatalogue catalogue;
  if (!zt::LoadCatalogueWithRetries(catalogue, zt::ProgramDirectory(), zt::FileVariant::kS3, errors)) return f;

  const std::size_t bytes_before = sim.ReceivedBytes().size() + sim.SentBytes().size();
  const std::string sent_before = sim.ReceivedBytes();

  zt::RunSettings run;
  run.config_file = config;
  zt::UnitIdentity identity;
  const std::atomic<bool> cancel{false};
  zt::StepContext ctx{port, catalogue, settings, flags, run, identity, cancel, false, {}, {}, {}, 0};
  const auto start = Clock::now();
  f.passed = zt::ConfigureStep(ctx) && zt::CompareStep(ctx);
  f.wall_s = std::chrono::duration<double>(Clock::now() - start).count();

  // Everything has crossed once the last answer came back.
  const std::string sent = sim.ReceivedBytes().substr(sent_before.size());
  f.bytes = sim.ReceivedBytes().size() + sim.SentBytes().size() - bytes_before;
  f.wire_s = static_cast<double>(f.bytes) * kBitsPerByte / kBaud;
  std::size_t cr_alone = 0;
  for (std::size_t i = 0; i < sent.size(); ++i) {
    if (sent[i] != '\r') continue;
    ++f.exchanges;
    if (i + 1 >= sent.size() || sent[i + 1] != '\n') ++cr_alone;
  }
  f.delays_s = static_cast<double>(f.exchanges) * reply_delay_ms / 1000.0 + static_cast<double>(cr_alone) * kCrAloneWaitS;
  return f;
}

}  // namespace

int main() {
  zt::test::TempDir dir;
  const std::string config = MakeConfigFile(dir.File("config_s3.ini"));
  if (config.empty()) {
    std::fprintf(stderr, "cannot write the configuration file\n");
    return 1;
  }
  bool all_met = true;
  std::printf("configure + compare, shipped S3 catalogue, simulated DTU, 115200 baud\n");
  std::printf("%-12s %10s %10s %10s %10s %10s %12s %8s %16s\n", "reply delay", "exchanges", "bytes", "wire s",
              "delays s", "tool s", "overhead", "target", "beyond delays");
  for (const int delay_ms : {0, 5}) {
    const Figures f = Measure(delay_ms, config);
    if (!f.passed) {
      std::fprintf(stderr, "configure and compare did not pass with a %d ms reply delay\n", delay_ms);
      return 1;
    }
    const double sum = f.wire_s + f.delays_s;
    const double overhead = f.wall_s - sum;
    const bool met = overhead < kTargetShare * sum;
    all_met = all_met && met;
    const double beyond_ms = 1000.0 * (f.wall_s - f.delays_s) / static_cast<double>(f.exchanges);
    std::printf("%9d ms %10zu %10zu %10.3f %10.3f %10.3f %+11.1f%% %8s %10.3f ms/ex\n", delay_ms, f.exchanges,
                f.bytes, f.wire_s, f.delays_s, f.wall_s, 100.0 * overhead / sum, met ? "met" : "MISSED", beyond_ms);
  }
  std::printf("overhead = tool wall time - (wire time + simulator reply delays), as a share of that sum (< 20 %%)\n"
              "beyond delays = tool wall time - simulator reply delays, per exchange (the tool's and the\n"
              "simulator's own processing, with the pseudo-terminal's transfer)\n");
  return all_met ? 0 : 1;
}
