// The CPU time the tool spends while the device of its open port is gone
// and the port stays selected: the port's watcher (waiting for the device
// to come back, auto-reconnect on) and the AT terminal's receive thread
// keep running for 10 s (--seconds N). A hung-up descriptor that is polled
// again answers at once, so a poll loop on it would take a whole core.
// Target: under 1 % of a core.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "serial/serial_port.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "support/dtusim_fixture.h"
#include "support/temp_dir.h"
#include "terminal/terminal_receiver.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 10;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::atoi(argv[i + 1]);
  }
  zt::test::TempDir dir;
  const std::string link = dir.File("dtu");
  zt::test::DtuSimProcess sim;
  if (!sim.Start({"--link", link})) {
    std::fprintf(stderr, "dtusim: %s\n", sim.error().c_str());
    return 1;
  }
  zt::ToolSettingsStore settings;
  settings.Update([&](zt::ToolSettings& s) {
    s.port_name = link;
    s.auto_reconnect = true;
  });
  zt::ProcessFlags flags;
  zt::CSerialPort port(settings, flags);
  if (!port.Open()) {
    std::fprintf(stderr, "the port did not open\n");
    return 1;
  }
  zt::TerminalReceiver receiver(port);
  receiver.Start();
  sim.Stop();  // the device goes away
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const double cpu_before = CpuSeconds();
  const auto wall_before = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const double cpu = CpuSeconds() - cpu_before;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_before).count();
  receiver.Stop();
  std::printf("removed port kept selected: %.1f s, CPU %.4f s = %.3f %% of a core (target below 1 %%), removed=%d\n",
              wall, cpu, 100.0 * cpu / wall, port.Removed() ? 1 : 0);
  return cpu / wall < 0.01 ? 0 : 1;
}
