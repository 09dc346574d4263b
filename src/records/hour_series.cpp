#include "records/hour_series.h"

#include <chrono>
#include <optional>

#include "records/record_ids.h"

namespace zt {
namespace {

using std::chrono::hours;
using std::chrono::system_clock;

// The start of the hour a time text ("2026-12-07T23:41:05.123Z" or an hour
// "2026-12-07T23") falls in.
std::optional<system_clock::time_point> HourOf(const std::string& text) {
  if (text.size() < 13) return std::nullopt;
  return ParseIsoUtc(text.substr(0, 13) + ":00:00Z");
}

std::string HourText(system_clock::time_point t) { return IsoUtc(t).substr(0, 13); }

}  // namespace

std::vector<HourCount> ContinuousHours(const std::vector<HourCount>& counted, const std::string& since,
                                       const std::string& until, std::size_t max_hours) {
  std::optional<system_clock::time_point> first;
  std::optional<system_clock::time_point> last;
  if (!since.empty() && !until.empty()) {
    first = HourOf(since);
    // until is excluded: a period ending on the hour does not take that hour.
    const std::optional<system_clock::time_point> end = ParseIsoUtc(until);
    if (end) last = HourOf(IsoUtc(*end - std::chrono::milliseconds(1)));
  } else if (!counted.empty()) {
    first = HourOf(counted.front().hour);
    last = HourOf(counted.back().hour);
  }
  if (!first || !last || *last < *first) return counted;
  const auto span = static_cast<std::size_t>(std::chrono::duration_cast<hours>(*last - *first).count()) + 1;
  if (span > max_hours) return counted;
  std::vector<HourCount> out;
  out.reserve(span);
  auto at = counted.begin();
  for (system_clock::time_point t = *first; t <= *last; t += hours(1)) {
    HourCount h;
    h.hour = HourText(t);
    // Hours before the period (they cannot come from a filtered listing) are passed over.
    while (at != counted.end() && at->hour < h.hour) ++at;
    if (at != counted.end() && at->hour == h.hour) h = *at++;
    out.push_back(std::move(h));
  }
  return out;
}

}  // namespace zt
