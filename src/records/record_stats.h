// What `records stats` shows: how many units, how many passed and failed,
// the yield, the most frequent failure texts and the units of each hour.
//
// Thread safety: plain values and pure functions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records/unit_record.h"

namespace zt {

struct FailureCount {
  std::string text;  // the failing step's failure text (UTF-8), or its name when it left none
  std::int64_t units = 0;
};

struct HourCount {
  std::string hour;  // "2026-12-07T23" (UTC)
  std::int64_t units = 0;
  std::int64_t passed = 0;
  std::int64_t failed = 0;
};

struct RecordStats {
  std::int64_t units = 0;
  std::int64_t passed = 0;
  std::int64_t failed = 0;
  std::int64_t stopped = 0;
  std::vector<FailureCount> top_failures;  // most frequent first, at most kTopFailures
  std::vector<HourCount> hours;            // the hours with units, oldest first

  // Passed units among those with a verdict (a stopped unit has none), in
  // percent; 0 without such units.
  double YieldPercent() const;
  // Units per hour over the hours in which units were tested.
  double UnitsPerHour() const;
};

inline constexpr std::size_t kTopFailures = 10;

// The text a failed unit counts under: its failed step's failure text, or
// the step's name when the step left none.
std::string FailureKey(const UnitRecord& record);

// The statistics of records already read (a store without a query of its own).
RecordStats ComputeStats(const std::vector<UnitRecord>& records);

}  // namespace zt
