// The hours of a chart of units per hour: statistics name only the hours in
// which units were tested; a chart shows every hour of the period, the
// empty ones as zeros, so that a pause on the line is seen as one.
//
// Thread safety: pure functions.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "records/record_stats.h"

namespace zt {

// Every hour ("2026-12-07T23", UTC) from the first hour of the period to its
// last, with the counts of `hours` (oldest first, as Stats gives them) and
// zeros between. The period is [since, until) when both are given, else the
// hours with units. A period of more than `max_hours` hours, or an hour text
// that does not read, gives `hours` as they are.
std::vector<HourCount> ContinuousHours(const std::vector<HourCount>& hours, const std::string& since,
                                       const std::string& until, std::size_t max_hours);

}  // namespace zt
