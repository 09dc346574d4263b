// What the line-database tests share: a server per test with the database
// "records", records to store, and an in-memory stand-in for the local
// store's forwarding queue.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pg_server.h"
#include "records/record_store.h"
#include "records/unit_record.h"

namespace zt::test {

// Starts a server with the database "records"; skips the test when the
// PostgreSQL server is not installed.
class PgServerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  std::string RecordsUrl() const { return server_.Url("records"); }
  // The line's store on "records"; fails the test when it cannot open.
  std::unique_ptr<IRecordStore> OpenRecords();
  void Sql(const std::string& sql, const std::string& database = "records");

  PgServer server_;
};

// "00000000-0000-4000-8000-0000000000<n>".
std::string UuidFor(int n);

// A complete record: two steps, the result given, texts in Chinese.
UnitRecord MakeRecord(int n, const std::string& station, RecordResult result, const std::string& imei,
                      const std::string& product, const std::string& started);

// Every field of a record as text, one per line: a difference shows where.
std::string Describe(const UnitRecord& record);

// The UUIDs of a listing, in its order.
std::vector<std::string> Uuids(const std::vector<UnitRecord>& records);

// Polls `done` every 20 ms until it holds or `limit` passed.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

// The local store's queue, in memory: records in the order added, the marks
// kept. Its next `fail_marks` marks fail, as when the program ends between
// the line's answer and the mark.
class MemoryForwardQueue : public IForwardQueue {
 public:
  void Add(const UnitRecord& record);
  std::size_t Waiting() const;
  void FailNextMarks(int count);

  std::optional<std::vector<UnitRecord>> Unforwarded(std::size_t limit) override;
  bool MarkForwarded(const std::vector<std::string>& uuids) override;

 private:
  mutable std::mutex mutex_;
  std::vector<UnitRecord> records_;
  std::vector<bool> forwarded_;
  int fail_marks_ = 0;
};

}  // namespace zt::test
