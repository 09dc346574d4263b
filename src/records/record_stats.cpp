#include "records/record_stats.h"

#include <algorithm>
#include <map>

#include "records/record_store.h"

namespace zt {

double RecordStats::YieldPercent() const {
  const std::int64_t judged = passed + failed;
  return judged == 0 ? 0.0 : 100.0 * static_cast<double>(passed) / static_cast<double>(judged);
}

double RecordStats::UnitsPerHour() const {
  return hours.empty() ? 0.0 : static_cast<double>(units) / static_cast<double>(hours.size());
}

std::string FailureKey(const UnitRecord& record) {
  for (const StepRecord& step : record.steps) {
    if (step.result == RecordResult::kFailed) return step.failure.empty() ? step.name : step.failure;
  }
  return {};
}

RecordStats ComputeStats(const std::vector<UnitRecord>& records) {
  RecordStats stats;
  std::map<std::string, std::int64_t> failures;
  std::map<std::string, HourCount> hours;
  for (const UnitRecord& r : records) {
    ++stats.units;
    HourCount& hour = hours[r.started.substr(0, 13)];
    ++hour.units;
    switch (r.result) {
      case RecordResult::kPassed:
        ++stats.passed;
        ++hour.passed;
        break;
      case RecordResult::kFailed:
        ++stats.failed;
        ++hour.failed;
        ++failures[FailureKey(r)];
        break;
      case RecordResult::kStopped:
        ++stats.stopped;
        break;
    }
  }
  for (auto& [text, n] : failures) stats.top_failures.push_back({text, n});
  std::stable_sort(stats.top_failures.begin(), stats.top_failures.end(),
                   [](const FailureCount& a, const FailureCount& b) { return a.units > b.units; });
  if (stats.top_failures.size() > kTopFailures) stats.top_failures.resize(kTopFailures);
  for (auto& [name, count] : hours) {
    count.hour = name;
    stats.hours.push_back(count);
  }
  return stats;
}

std::optional<RecordStats> IRecordStore::Stats(const RecordFilter& filter) {
  RecordFilter all = filter;
  all.limit = 0;
  const std::optional<std::vector<UnitRecord>> records = List(all);
  if (!records) return std::nullopt;
  return ComputeStats(*records);
}

}  // namespace zt
