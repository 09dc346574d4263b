// The production test on several ports at once: `zereltool-cli prodtest`
// with one port, then with eight, each port a simulated DTU of its own.
//
//   1. Every DTU answers 20 ms late: the wall time of eight units at once
//      against one unit alone (target: at most 1.15 times; 1.00 is the limit),
//      the tool's CPU seconds per unit and the resident memory each added
//      port costs.
//   2. Units per hour on one port and on eight, with the simulator set as a
//      real unit behaves (see kRealUnit below).
//
// Each unit runs configure + compare of the shipped S3 catalogue and the run
// test. The CPU time and memory are the command line program's alone (taken
// when it has ended, before the simulators stop).
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/dtusim_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
  double wall_s = 0;
  double cpu_s = 0;     // the program's user + system time
  long max_rss_kb = 0;  // the largest resident set of any program run so far
  bool passed = false;
};

double CpuSeconds(const rusage& u) {
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs one production test on `ports` simulated units started with `sim_args`.
Figures RunUnits(int ports, const std::vector<std::string>& sim_args, const std::string& config,
                 zt::test::TempDir& dir) {
  std::vector<std::unique_ptr<zt::test::DtuSimProcess>> sims;
  std::vector<std::string> argv = {ZT_CLI_PATH, "--settings", dir.File("tool_set.ini"), "-b", "115200"};
  for (int i = 0; i < ports; ++i) {
    auto sim = std::make_unique<zt::test::DtuSimProcess>();
    if (!sim->Start(sim_args)) {
      std::fprintf(stderr, "dtusim did not start: %s\n", sim->error().c_str());
      return {};
    }
    argv.insert(argv.end(), {"--port", sim->SlavePath()});
    sims.push_back(std::move(sim));
  }
  argv.insert(argv.end(), {"prodtest", "--config", config, "--run-test", "--key", "ZR-3100 READY", "--csq", "15"});
  rusage before{};
  ::getrusage(RUSAGE_CHILDREN, &before);
  const auto start = Clock::now();
  zt::test::ProgramSetup setup;
  setup.working_folder = dir.path();
  setup.timeout = std::chrono::seconds(600);
  const zt::test::ProgramResult r = zt::test::RunProgram(argv, setup);
  Figures f;
  f.wall_s = std::chrono::duration<double>(Clock::now() - start).count();
  rusage after{};
  ::getrusage(RUSAGE_CHILDREN, &after);
  f.cpu_s = CpuSeconds(after) - CpuSeconds(before);
  f.max_rss_kb = after.ru_maxrss;
  f.passed = r.status == 0;
  if (!f.passed) std::fprintf(stderr, "prodtest on %d ports ended with %d:\n%s\n", ports, r.status, r.err.c_str());
  return f;
}

}  // namespace

int main() {
  zt::test::TempDir dir;
  // The configuration file of such a unit, exported from one.
  {
    zt::test::DtuSimProcess sim;
    if (!sim.Start()) return 1;
    const zt::test::ProgramResult r = zt::test::RunProgram(
        {ZT_CLI_PATH, "--settings", dir.File("tool_set.ini"), "-p", sim.SlavePath(), "read", "--export",
         dir.File("unit")});
    if (r.status != 0) {
      std::fprintf(stderr, "read --export failed: %s\n", r.err.c_str());
      return 1;
    }
  }
  const std::string config = dir.File("unit.ini");

  std::printf("1. Every simulated DTU answers 20 ms late (dtusim --delay 20)\n");
  const std::vector<std::string> late = {"--delay", "20"};
  const Figures one = RunUnits(1, late, config, dir);
  const Figures eight = RunUnits(8, late, config, dir);
  if (!one.passed || !eight.passed) return 1;
  const double ratio = eight.wall_s / one.wall_s;
  std::printf("   one unit alone:    %7.2f s wall, %6.3f CPU s\n", one.wall_s, one.cpu_s);
  std::printf("   eight at once:     %7.2f s wall, %6.3f CPU s (%.3f CPU s per unit)\n", eight.wall_s, eight.cpu_s,
              eight.cpu_s / 8);
  std::printf("   eight / one:       %7.3f (target <= 1.15, limit 1.00) %s\n", ratio,
              ratio <= 1.15 ? "met" : "MISSED");
  std::printf("   resident memory:   %ld kB with one port, %ld kB with eight: %.0f kB per added port\n",
              one.max_rss_kb, eight.max_rss_kb, static_cast<double>(eight.max_rss_kb - one.max_rss_kb) / 7.0);

  // A real unit: about 50 ms to answer a command and 5 s to boot after
  // AT+RESET (what a ZR-3100 on a bench took, rounded up).
  const std::vector<std::string> kRealUnit = {"--delay", "50", "--boot-delay", "5000"};
  std::printf("2. Units per hour, the simulator set as a real unit (dtusim --delay 50 --boot-delay 5000)\n");
  const Figures real_one = RunUnits(1, kRealUnit, config, dir);
  const Figures real_eight = RunUnits(8, kRealUnit, config, dir);
  if (!real_one.passed || !real_eight.passed) return 1;
  std::printf("   one port:    %6.1f s a unit, %6.0f units per hour\n", real_one.wall_s, 3600.0 / real_one.wall_s);
  std::printf("   eight ports: %6.1f s a round, %6.0f units per hour\n", real_eight.wall_s,
              8 * 3600.0 / real_eight.wall_s);
  std::printf("The operator's time to swap units is not counted.\n");
  return 0;
}
