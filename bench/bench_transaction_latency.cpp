// How soon SendAndWait returns after the DTU's final "OK": the time from the
// moment the simulated DTU starts writing "OK" on a pseudo-terminal to the
// moment the transaction returns. The DTU answers after a random delay, so
// the answer lands anywhere in a 10 ms poll step. Target: median below 1 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "common/message_box.h"
#include "serial/at_transaction.h"
#include "serial/serial_port.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "support/pty_peer.h"

namespace {

using Clock = std::chrono::steady_clock;

class QuietReports : public zt::ITransactionReports {
 public:
  void Log(std::string_view) override {}
  void Done(int) override {}
};

double Percentile(const std::vector<double>& sorted, double p) {
  const auto at = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(at, sorted.size() - 1)];
}

}  // namespace

int main() {
  constexpr int kRounds = 300;
  constexpr double kTargetMicros = 1000.0;

  zt::test::PtyPeer dtu;
  zt::ToolSettingsStore settings;
  settings.Update([&](zt::ToolSettings& s) { s.port_name = dtu.Path(); });
  zt::ProcessFlags flags;
  zt::CSerialPort port(settings, flags);
  if (!port.Open()) {
    std::fprintf(stderr, "cannot open %s\n", dtu.Path().c_str());
    return 1;
  }
  std::mutex worker_lock;
  QuietReports reports;
  const zt::WorkerLink link{port, worker_lock, flags, reports};

  std::mt19937 random(7);
  std::vector<double> micros;
  int failures = 0;
  for (int round = 0; round < kRounds; ++round) {
    const std::string command = "AT+SETCHL=" + std::to_string(round) + "\r\n";
    const auto delay = std::chrono::microseconds(500 + random() % 10000);
    dtu.AddRule({.when = command,
                 .reply = {"\r\n+CHL:" + std::to_string(round) + "\r\n", "\r\nOK\r\n"},
                 .delay = std::chrono::duration_cast<std::chrono::milliseconds>(delay),
                 .gap = std::chrono::milliseconds(2)});
    std::string reply;
    std::uint16_t length = 0;
    const zt::AtResult result = zt::SendAndWait(link, command, "OK", reply, 64, length, 10, 1);
    const auto returned = Clock::now();
    if (result != zt::AtResult::kMatched) {
      ++failures;
      continue;
    }
    micros.push_back(std::chrono::duration<double, std::micro>(returned - dtu.LastWriteStart()).count());
  }
  if (micros.empty()) {
    std::fprintf(stderr, "no transaction succeeded\n");
    return 1;
  }
  std::sort(micros.begin(), micros.end());
  const double median = Percentile(micros, 0.5);
  std::printf("SendAndWait over a pseudo-terminal, %zu transactions (%d failed)\n", micros.size(), failures);
  std::printf("  from the DTU writing the final \"OK\" to the transaction returning:\n");
  std::printf("  median %8.1f us   p90 %8.1f us   p99 %8.1f us   max %8.1f us\n", median,
              Percentile(micros, 0.9), Percentile(micros, 0.99), micros.back());
  std::printf("  target: median below %.0f us -> %s\n", kTargetMicros, median < kTargetMicros ? "met" : "MISSED");
  return 0;
}
