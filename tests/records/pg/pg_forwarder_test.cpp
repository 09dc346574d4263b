// Forwarding from a station's local queue to the line's database, against a
// real PostgreSQL server that the tests stop and start.
#include <gtest/gtest.h>

#include "pg_test_support.h"
#include "records/line_store.h"
#include "records/record_forwarder.h"

namespace zt::test {
namespace {

using namespace std::chrono_literals;

// Quick retries, so an outage in a test costs little time.
constexpr ForwarderTiming kQuick{.first_retry = 50ms, .max_retry = 400ms, .idle_check = 30s, .batch = 100};

class PgForwarderTest : public PgServerTest {
 protected:
  std::size_t LineCount() {
    std::unique_ptr<IRecordStore> line = OpenLineStore(RecordsUrl(), error_);
    if (!line) return 0;
    std::optional<std::vector<UnitRecord>> all = line->List({});
    return all ? all->size() : 0;
  }
  // Every record 1..count is in the line, whole, once.
  void ExpectLineHoldsExactly(int count) {
    std::unique_ptr<IRecordStore> line = OpenRecords();
    ASSERT_NE(line, nullptr);
    std::optional<std::vector<UnitRecord>> all = line->List({});
    ASSERT_TRUE(all.has_value()) << line->LastError();
    ASSERT_EQ(all->size(), static_cast<std::size_t>(count));
    for (int n = 1; n <= count; ++n) {
      std::optional<UnitRecord> found = line->Find(UuidFor(n));
      ASSERT_TRUE(found.has_value()) << n;
      EXPECT_EQ(found->steps.size(), 2u) << n;
    }
  }
  static UnitRecord Numbered(int n, const std::string& station = "S1") {
    char started[32];
    std::snprintf(started, sizeof started, "2026-12-07T08:%02d:%02d.000Z", (n / 60) % 60, n % 60);
    return MakeRecord(n, station, RecordResult::kPassed, "86" + std::to_string(1000 + n), "P-100", started);
  }

  std::string error_;
};

TEST_F(PgForwarderTest, WaitingRecordsAndNewOnesReachTheLine) {
  MemoryForwardQueue queue;
  for (int n = 1; n <= 250; ++n) queue.Add(Numbered(n));
  RecordForwarder forwarder(queue, LineStoreFactoryFor(RecordsUrl()), kQuick);
  forwarder.Start();
  ASSERT_TRUE(WaitUntil([&] { return queue.Waiting() == 0; }, 20s)) << forwarder.Status().last_error;
  queue.Add(Numbered(251));
  forwarder.Wake();
  ASSERT_TRUE(WaitUntil([&] { return queue.Waiting() == 0; }, 5s)) << "a woken forwarder sends at once";
  ASSERT_TRUE(WaitUntil([&] { return forwarder.Status().forwarded == 251; }, 5s));
  const ForwarderStatus status = forwarder.Status();
  EXPECT_TRUE(status.running);
  EXPECT_TRUE(status.connected);
  EXPECT_EQ(status.pending, 0u);
  EXPECT_EQ(status.last_error, "");
  forwarder.Stop();
  ExpectLineHoldsExactly(251);
}

TEST_F(PgForwarderTest, AServerOutageLosesAndRepeatsNothing) {
  MemoryForwardQueue queue;
  RecordForwarder forwarder(queue, LineStoreFactoryFor(RecordsUrl()), kQuick);
  forwarder.Start();
  int next = 1;
  // A continuous run: a unit every 20 ms, the server stopped after the
  // tenth and started again after the twentieth.
  const auto produce = [&](int count) {
    for (int i = 0; i < count; ++i) {
      queue.Add(Numbered(next++));
      forwarder.Wake();
      std::this_thread::sleep_for(20ms);
    }
  };
  produce(10);
  ASSERT_TRUE(WaitUntil([&] { return queue.Waiting() == 0; }, 10s)) << forwarder.Status().last_error;
  server_.Stop();
  produce(10);
  ASSERT_TRUE(WaitUntil([&] { return !forwarder.Status().connected && forwarder.Status().pending == 10; }, 10s));
  EXPECT_NE(forwarder.Status().last_error, "");
  EXPECT_EQ(queue.Waiting(), 10u);

  std::string error;
  ASSERT_TRUE(server_.Start(error)) << error;
  produce(10);
  ASSERT_TRUE(WaitUntil([&] { return queue.Waiting() == 0; }, 20s)) << forwarder.Status().last_error;
  EXPECT_TRUE(forwarder.Status().connected);
  forwarder.Stop();
  ExpectLineHoldsExactly(30);
}

TEST_F(PgForwarderTest, ARecordSentButNotMarkedIsSentAgainAndKeptOnce) {
  MemoryForwardQueue queue;
  for (int n = 1; n <= 5; ++n) queue.Add(Numbered(n));
  queue.FailNextMarks(2);
  RecordForwarder forwarder(queue, LineStoreFactoryFor(RecordsUrl()), kQuick);
  forwarder.Start();
  ASSERT_TRUE(WaitUntil([&] { return queue.Waiting() == 0; }, 10s)) << forwarder.Status().last_error;
  EXPECT_EQ(forwarder.Status().forwarded, 5u);
  forwarder.Stop();
  ExpectLineHoldsExactly(5);
}

TEST_F(PgForwarderTest, TwoStationsSeeEachOthersImei) {
  MemoryForwardQueue queue_a, queue_b;
  RecordForwarder station_a(queue_a, LineStoreFactoryFor(RecordsUrl()), kQuick);
  RecordForwarder station_b(queue_b, LineStoreFactoryFor(RecordsUrl()), kQuick);
  station_a.Start();
  station_b.Start();
  UnitRecord on_a = MakeRecord(1, "A", RecordResult::kPassed, "861234567890123", "P-100", "2026-12-07T08:00:00.000Z");
  UnitRecord on_b = MakeRecord(2, "B", RecordResult::kPassed, "869876543210987", "P-200", "2026-12-07T08:00:01.000Z");
  queue_a.Add(on_a);
  station_a.Wake();
  queue_b.Add(on_b);
  station_b.Wake();
  ASSERT_TRUE(WaitUntil([&] { return queue_a.Waiting() == 0 && queue_b.Waiting() == 0; }, 10s));

  // Station B's guard asks the line before it writes A's IMEI into a P-200.
  std::unique_ptr<IRecordStore> line_b = OpenRecords();
  ASSERT_NE(line_b, nullptr);
  bool error = true;
  std::optional<ImeiUse> use = line_b->PassedWithImeiOtherThan(on_a.imei_written, "P-200", error);
  EXPECT_FALSE(error);
  ASSERT_TRUE(use.has_value());
  EXPECT_EQ(use->uuid, on_a.uuid);
  EXPECT_EQ(use->station, "A");
  EXPECT_EQ(use->product, "P-100");
  EXPECT_FALSE(line_b->PassedWithImeiOtherThan(on_b.imei_written, "P-200", error).has_value());
  EXPECT_EQ(LineCount(), 2u);
}

TEST(PgForwarderStopTest, AnUnreachableLineIsShownAndStopEndsThePauseAtOnce) {
  MemoryForwardQueue queue;
  for (int n = 1; n <= 3; ++n) queue.Add(MakeRecord(n, "S1", RecordResult::kPassed, "86", "P", "2026-12-07T08:00:00.000Z"));
  ForwarderTiming slow = kQuick;
  slow.first_retry = 30s;
  RecordForwarder forwarder(queue, LineStoreFactoryFor("postgresql://line@/records?host=/nonexistent-zt&port=1"),
                            slow);
  forwarder.Start();
  ASSERT_TRUE(WaitUntil([&] { return forwarder.Status().pending == 3; }, 10s));
  const ForwarderStatus status = forwarder.Status();
  EXPECT_FALSE(status.connected);
  EXPECT_NE(status.last_error.find("cannot connect to the line's database"), std::string::npos)
      << status.last_error;
  EXPECT_EQ(queue.Waiting(), 3u);

  const auto start = std::chrono::steady_clock::now();
  forwarder.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_FALSE(forwarder.Status().running);
}

}  // namespace
}  // namespace zt::test
