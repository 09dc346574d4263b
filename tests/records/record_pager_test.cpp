// Reading a listing a page at a time, and the hours of a units-per-hour chart.
#include <gtest/gtest.h>

#include "record_samples.h"
#include "records/hour_series.h"
#include "records/record_pager.h"
#include "records/sqlite_record_store.h"
#include "support/temp_dir.h"

namespace zt {
namespace {

using test::SampleRecord;

std::string Uuid(int n) {
  char text[40];
  std::snprintf(text, sizeof text, "00000000-0000-4000-8000-%012d", n);
  return text;
}

class Pager : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    store = SqliteRecordStore::Open(dir.File("records.sqlite3"), error);
    ASSERT_NE(store, nullptr) << error;
  }
  void Add(int n, const std::string& started) { ASSERT_TRUE(store->Append(SampleRecord(Uuid(n), started))); }
  std::vector<std::vector<std::string>> Pages(RecordPager& pager) {
    std::vector<std::vector<std::string>> pages;
    while (!pager.AtEnd()) {
      const auto page = pager.Next();
      EXPECT_TRUE(page.has_value()) << store->LastError();
      if (!page || page->empty()) break;
      pages.emplace_back();
      for (const UnitRecord& r : *page) pages.back().push_back(r.uuid);
    }
    return pages;
  }
  test::TempDir dir;
  std::unique_ptr<SqliteRecordStore> store;
};

// Three units started in the same millisecond straddle a page boundary.
TEST_F(Pager, PagesGoNewestFirstWithoutLosingUnitsThatStartedTogether) {
  Add(1, "2026-12-07T08:00:00.000Z");
  Add(2, "2026-12-07T09:00:00.000Z");
  Add(3, "2026-12-07T09:00:00.000Z");
  Add(4, "2026-12-07T09:00:00.000Z");
  Add(5, "2026-12-07T10:00:00.000Z");
  RecordPager pager(*store, {}, 2);
  EXPECT_EQ(Pages(pager), (std::vector<std::vector<std::string>>{{Uuid(5), Uuid(2)}, {Uuid(3), Uuid(4)}, {Uuid(1)}}));
  EXPECT_TRUE(pager.AtEnd());
  EXPECT_TRUE(pager.Next()->empty());
}

TEST_F(Pager, PagesKeepTheFiltersPeriod) {
  for (int n = 1; n <= 6; ++n) Add(n, "2026-12-07T0" + std::to_string(n) + ":00:00.000Z");
  RecordFilter filter;
  filter.since = "2026-12-07T02";
  filter.until = "2026-12-07T05";
  filter.limit = 1;  // the pager's page size counts, not the filter's limit
  RecordPager pager(*store, filter, 2);
  EXPECT_EQ(Pages(pager), (std::vector<std::vector<std::string>>{{Uuid(4), Uuid(3)}, {Uuid(2)}}));
}

HourCount H(std::string hour, std::int64_t passed, std::int64_t failed) {
  return HourCount{std::move(hour), passed + failed, passed, failed};
}

TEST(HourSeries, EmptyHoursOfThePeriodAreZeros) {
  struct Case {
    const char* name;
    std::vector<HourCount> counted;
    std::string since, until;
    std::size_t max_hours;
    std::vector<std::string> hours;
  };
  const std::vector<HourCount> two = {H("2026-12-07T22", 3, 1), H("2026-12-08T01", 2, 0)};
  const Case cases[] = {
      {"between the counted hours", two, "", "", 48, {"2026-12-07T22", "2026-12-07T23", "2026-12-08T00", "2026-12-08T01"}},
      {"the whole period, until excluded", two, "2026-12-07T21:30:00.000Z", "2026-12-08T02:00:00.000Z", 48,
       {"2026-12-07T21", "2026-12-07T22", "2026-12-07T23", "2026-12-08T00", "2026-12-08T01"}},
      {"too long a period keeps the counted hours", two, "", "", 3, {"2026-12-07T22", "2026-12-08T01"}},
      {"nothing counted, no period", {}, "", "", 48, {}},
  };
  for (const Case& c : cases) {
    const std::vector<HourCount> out = ContinuousHours(c.counted, c.since, c.until, c.max_hours);
    std::vector<std::string> hours;
    for (const HourCount& h : out) hours.push_back(h.hour);
    EXPECT_EQ(hours, c.hours) << c.name;
    for (const HourCount& h : out) {
      for (const HourCount& k : c.counted) {
        if (k.hour == h.hour) {
          EXPECT_EQ(h.passed * 100 + h.failed, k.passed * 100 + k.failed) << c.name << h.hour;
        }
      }
      if (h.hour == "2026-12-07T23") {
        EXPECT_EQ(h.units, 0) << c.name;
      }
    }
  }
}

}  // namespace
}  // namespace zt
