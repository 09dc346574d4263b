// The production records' costs with a station's store of 100,000 units:
//  - what a record adds to a unit's test: the recorder's UnitEnded (the
//    record made from the run's report, the configuration file's SHA-256,
//    one SQLite transaction) and the duplicate-IMEI question a finished
//    unit asks first. Target: under 2 ms.
//  - `records stats` over all 100,000 units. Target: under 200 ms.
//  - the whole store listed and made into CSV, as an export of every unit
//    does (the records page does it on its window's thread). Printed only.
// Printed: median, 99th percentile and worst of each. UnitEnded waits at
// most StoreUnitRecorder::kRecordWait for the write itself.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "records/record_export.h"
#include "records/record_ids.h"
#include "records/sqlite_record_store.h"
#include "records/store_recorder.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"

namespace {

using namespace zt::literals;
using Clock = std::chrono::steady_clock;

constexpr int kUnits = 100000;
constexpr int kMeasured = 300;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

zt::UnitReport Report(int n, const std::string& config) {
  zt::UnitReport r;
  r.started = std::chrono::system_clock::now() - std::chrono::minutes(kUnits - n);
  r.ended = r.started + std::chrono::seconds(40);
  r.finished_product = true;
  r.configure_item = r.run_test_item = true;
  r.config_file = config;
  r.key_string = "ZR-3100 READY";
  r.signal_threshold = 15;
  r.port_name = "/dev/ttyUSB0";
  r.software_version = "3.1.2";
  r.product_written = "ZR3100C" + std::to_string(n % 50);
  r.imei_written = std::to_string(86012345000000LL + n);
  r.readings.product_read = r.product_written;
  r.readings.imei_read = r.imei_written + "7";
  r.readings.identity_lines = {"IMEI Number: " + r.readings.imei_read + "\r\n", "Manufacturer: ZR\r\n",
                               "Product Name: ZR-3100\r\n", "Revision: ZR3100_S3_3.1.2\r\n"};
  r.readings.signal = 10 + n % 20;
  const bool failed = n % 7 == 0;
  r.steps = {{zt::UnitStage::kConnect, std::string("连接"_gbk), zt::UnitEnd::kPassed, {}, 800},
             {zt::UnitStage::kConfigure, std::string("参数配置"_gbk), zt::UnitEnd::kPassed, {}, 4000},
             {zt::UnitStage::kCompare, std::string("配置比较"_gbk), zt::UnitEnd::kPassed, {}, 3000},
             {zt::UnitStage::kRunTest, std::string("运行测试"_gbk), failed ? zt::UnitEnd::kFailed : zt::UnitEnd::kPassed,
              failed ? std::string("信号检测失败：期望最低信号 15, 当前信号 9\r\n"_gbk) : std::string(), 9000}};
  r.result = failed ? zt::UnitEnd::kFailed : zt::UnitEnd::kPassed;
  return r;
}

void Print(const char* what, std::vector<double> ms, double target) {
  std::sort(ms.begin(), ms.end());
  const double median = ms[ms.size() / 2];
  const double p99 = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
  std::printf("%-44s median %8.3f ms  p99 %8.3f ms  worst %8.3f ms  (target < %.0f ms: %s)\n", what, median, p99,
              ms.back(), target, p99 < target ? "met" : "MISSED");
}

}  // namespace

int main() {
  zt::test::TempDir dir;
  const std::string config = dir.File("config.ini");
  {
    std::FILE* f = std::fopen(config.c_str(), "wb");
    if (f == nullptr) return 1;
    for (int i = 0; i < 400; ++i) std::fprintf(f, "PARAM%d=value %d\r\n", i, i);
    std::fclose(f);
  }
  std::string error;
  auto store = zt::SqliteRecordStore::Open(dir.File("records.sqlite3"), error);
  if (!store) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  zt::StoreUnitRecorder recorder(store.get(), "", {"station-1", "operator", "0.1.0", false});
  zt::StoreImeiGuard guard({store.get()});
  recorder.UnitStarting("/dev/ttyUSB0");

  const auto fill_start = Clock::now();
  for (int n = 0; n < kUnits; ++n) {
    if (!recorder.UnitEnded(Report(n, config)).empty()) {
      std::fprintf(stderr, "record %d not written: %s\n", n, store->LastError().c_str());
      return 1;
    }
  }
  recorder.Flush(std::chrono::minutes(10));
  std::printf("%d records written in %.1f s\n", kUnits, Ms(Clock::now() - fill_start) / 1000.0);

  std::vector<double> record_ms, guard_ms, stats_ms;
  for (int i = 0; i < kMeasured; ++i) {
    const zt::UnitReport report = Report(kUnits + i, config);
    std::string note;
    const auto asked = Clock::now();
    guard.EarlierUse(report.imei_written, "ZR3100-OTHER", note);
    const auto recorded = Clock::now();
    const std::string line = recorder.UnitEnded(report);
    const auto done = Clock::now();
    if (!line.empty()) return 1;
    guard_ms.push_back(Ms(recorded - asked));
    record_ms.push_back(Ms(done - recorded));
  }
  for (int i = 0; i < 10; ++i) {
    const auto start = Clock::now();
    const std::optional<zt::RecordStats> stats = store->Stats({});
    stats_ms.push_back(Ms(Clock::now() - start));
    if (!stats || stats->units < kUnits) return 1;
  }
  std::vector<double> export_ms;
  std::size_t csv_bytes = 0;
  for (int i = 0; i < 3; ++i) {
    const auto start = Clock::now();
    const std::optional<std::vector<zt::UnitRecord>> all = store->List({});
    if (!all) return 1;
    csv_bytes = zt::RecordsCsv(*all).size();
    export_ms.push_back(Ms(Clock::now() - start));
  }
  // The figures are wall times: a busy machine shows in the worst ones.
  double load = 0;
  if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(f, "%lf", &load) != 1) load = 0;
    std::fclose(f);
  }
  std::printf("with %d records in the store (load average %.1f):\n", kUnits, load);
  Print("duplicate-IMEI question", guard_ms, 2);
  Print("a unit's record (UnitEnded)", record_ms, 2);
  std::vector<double> both(record_ms.size());
  for (std::size_t i = 0; i < both.size(); ++i) both[i] = record_ms[i] + guard_ms[i];
  Print("both, as a finished unit waits for them", both, 2);
  Print("records stats over the whole store", stats_ms, 200);
  std::sort(export_ms.begin(), export_ms.end());
  std::printf("every unit listed and made into CSV (%.1f MB): best %.0f ms, worst %.0f ms\n",
              static_cast<double>(csv_bytes) / 1e6, export_ms.front(), export_ms.back());
  return 0;
}
