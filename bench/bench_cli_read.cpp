// Wall time of `zereltool-cli read` against the simulated DTU at 115200 baud,
// beside what the protocol itself costs: its fixed waits (the settle pause
// after the version query and the half-second wake-up and version cycles)
// and the wire time of the bytes that crossed the line.
#include <chrono>
#include <cstdio>
#include <string>

#include "support/dtusim_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

int main() {
  using namespace std::chrono;
  constexpr int kRuns = 3;
  constexpr double kBitsPerByte = 10.0;  // start, 8 data bits, stop
  constexpr double kBaud = 115200.0;
  // Wake-up and version query: one 500 ms cycle each at the least; then the
  // 2000 ms pause before the query.
  constexpr double kFixedWaitsMs = 500 + 500 + 2000;
  std::printf("zereltool-cli read against dtusim at 115200 baud (%d runs)\n", kRuns);
  std::printf("%5s %10s %14s %18s %22s\n", "run", "wall ms", "fixed waits ms", "wall - fixed ms", "wire at 115200 ms");
  for (int run = 1; run <= kRuns; ++run) {
    zt::test::DtuSimProcess sim;
    if (!sim.Start()) {
      std::fprintf(stderr, "dtusim did not start: %s\n", sim.error().c_str());
      return 1;
    }
    zt::test::TempDir dir;
    const auto start = steady_clock::now();
    const zt::test::ProgramResult r =
        zt::test::RunProgram({ZT_CLI_PATH, "--settings", dir.File("tool_set.ini"), "-p", sim.SlavePath(), "-b",
                              "115200", "read"});
    const double wall_ms = duration<double, std::milli>(steady_clock::now() - start).count();
    if (r.status != 0) {
      std::fprintf(stderr, "read failed (%d): %s\n", r.status, r.err.c_str());
      return 1;
    }
    sim.Stop();
    const double bytes = static_cast<double>(sim.ReceivedBytes().size() + sim.SentBytes().size());
    const double wire_ms = bytes * kBitsPerByte / kBaud * 1000.0;
    std::printf("%5d %10.1f %14.1f %18.1f %22.1f\n", run, wall_ms, kFixedWaitsMs, wall_ms - kFixedWaitsMs,
                wire_ms);
  }
  std::printf("A pseudo-terminal does not pace bytes at the baud rate, so \"wall - fixed\" is the tool's own time\n"
              "(starting, the port, the simulator's answers); on a real line at 115200 baud the wire time adds to it.\n");
  return 0;
}
