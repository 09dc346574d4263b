// Wall time of `zereltool-cli read` on one simulated unit, straight on its
// pseudo-terminal and through ser2net with COM-port control on loopback
// (rfc2217://127.0.0.1:<port>), each run in turn on the same unit. The
// ratio is what the network path costs on top of the port itself.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "support/dtusim_fixture.h"
#include "support/run_program.h"
#include "support/ser2net_fixture.h"
#include "support/temp_dir.h"

namespace {

// Milliseconds one `read` takes on `port`, or a negative number on failure.
double ReadMs(const std::string& port) {
  using namespace std::chrono;
  zt::test::TempDir dir;
  const auto start = steady_clock::now();
  const zt::test::ProgramResult r =
      zt::test::RunProgram({ZT_CLI_PATH, "--settings", dir.File("tool_set.ini"), "-p", port, "read"});
  const double ms = duration<double, std::milli>(steady_clock::now() - start).count();
  if (r.status != 0) {
    std::fprintf(stderr, "read on %s failed (%d): %s\n", port.c_str(), r.status, r.err.c_str());
    return -1;
  }
  return ms;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  constexpr int kRuns = 5;
  if (!zt::test::Ser2NetProcess::Available()) {
    std::fprintf(stderr, "ser2net is not installed (%s)\n", zt::test::Ser2NetProcess::kProgram);
    return 1;
  }
  zt::test::DtuSimProcess sim;
  if (!sim.Start()) {
    std::fprintf(stderr, "dtusim did not start: %s\n", sim.error().c_str());
    return 1;
  }
  zt::test::Ser2NetProcess server;
  if (!server.Start(sim.SlavePath())) {
    std::fprintf(stderr, "ser2net did not start: %s\n", server.error().c_str());
    return 1;
  }
  std::printf("zereltool-cli read on one dtusim unit, %d runs each (57600 baud)\n", kRuns);
  std::printf("%5s %12s %16s %8s\n", "run", "pty ms", "ser2net ms", "ratio");
  std::vector<double> direct;
  std::vector<double> remote;
  for (int run = 1; run <= kRuns; ++run) {
    const double d = ReadMs(sim.SlavePath());
    const double r = ReadMs(server.ComPortUrl());
    if (d < 0 || r < 0) return 1;
    direct.push_back(d);
    remote.push_back(r);
    std::printf("%5d %12.1f %16.1f %8.3f\n", run, d, r, r / d);
  }
  const double d = Median(direct);
  const double r = Median(remote);
  std::printf("%5s %12.1f %16.1f %8.3f   (target: ratio at most 1.10)\n", "median", d, r, r / d);
  return 0;
}
