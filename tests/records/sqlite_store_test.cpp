// The station's records file: what goes in comes out, filters, the
// duplicate-IMEI question, statistics, the forwarding queue, and the file's
// troubles (read-only, full, damaged, a link, an older or newer schema).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "record_samples.h"
#include "records/record_ids.h"
#include "records/record_schema.h"
#include "records/sqlite_db.h"
#include "records/sqlite_record_store.h"
#include "support/temp_dir.h"

namespace zt {
namespace {

using test::SampleRecord;

class RecordStore : public ::testing::Test {
 protected:
  std::unique_ptr<SqliteRecordStore> OpenStore(const RecordStoreOptions& options = {}) {
    std::string error;
    auto store = SqliteRecordStore::Open(path, error, options);
    EXPECT_NE(store, nullptr) << error;
    return store;
  }
  test::TempDir dir;
  std::string path = dir.File("records.sqlite3");
};

bool SameRecord(const UnitRecord& a, const UnitRecord& b) {
  auto steps_equal = [&] {
    if (a.steps.size() != b.steps.size()) return false;
    for (std::size_t i = 0; i < a.steps.size(); ++i) {
      const StepRecord &x = a.steps[i], &y = b.steps[i];
      if (x.name != y.name || x.result != y.result || x.failure != y.failure || x.duration_ms != y.duration_ms)
        return false;
    }
    return true;
  };
  return a.uuid == b.uuid && a.started == b.started && a.ended == b.ended && a.station == b.station &&
         a.operator_name == b.operator_name && a.port == b.port && a.tool_version == b.tool_version &&
         a.finished_product == b.finished_product && a.items == b.items && a.config_path == b.config_path &&
         a.config_sha256 == b.config_sha256 && a.key_string == b.key_string &&
         a.signal_threshold == b.signal_threshold && a.software_version == b.software_version &&
         a.product_written == b.product_written && a.imei_written == b.imei_written &&
         a.product_read == b.product_read && a.imei_read == b.imei_read && a.identity_lines == b.identity_lines &&
         a.signal == b.signal && a.duplicate_imei_override == b.duplicate_imei_override && a.result == b.result &&
         steps_equal();
}

TEST_F(RecordStore, ARecordComesBackAsItWasWritten) {
  auto store = OpenStore();
  UnitRecord r = SampleRecord(NewRecordUuid(), "2026-12-07T10:00:00.000Z", RecordResult::kFailed);
  r.duplicate_imei_override = true;
  ASSERT_TRUE(store->Append(r)) << store->LastError();
  UnitRecord no_signal = SampleRecord(NewRecordUuid(), "2026-12-07T10:01:00.000Z");
  no_signal.signal.reset();
  ASSERT_TRUE(store->Append(no_signal));
  const std::optional<UnitRecord> found = store->Find(r.uuid);
  ASSERT_TRUE(found);
  EXPECT_TRUE(SameRecord(*found, r));
  EXPECT_TRUE(SameRecord(*store->Find(no_signal.uuid), no_signal));
  EXPECT_FALSE(store->Find(NewRecordUuid()));
  // The file is the user's own.
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(RecordStore, AStoredUuidIsKeptAsItWasWhenItComesAgain) {
  auto store = OpenStore();
  UnitRecord r = SampleRecord(NewRecordUuid(), "2026-12-07T10:00:00.000Z");
  ASSERT_TRUE(store->Append(r));
  UnitRecord again = r;
  again.station = "other";
  again.steps.pop_back();
  ASSERT_TRUE(store->Append(again));
  EXPECT_TRUE(SameRecord(*store->Find(r.uuid), r));
  EXPECT_EQ(store->List({})->size(), 1u);
}

TEST_F(RecordStore, TheFilterTakesTheRecordsItNames) {
  auto store = OpenStore();
  UnitRecord a = SampleRecord("a0000000-0000-4000-8000-000000000001", "2026-12-07T08:00:00.000Z");
  UnitRecord b = SampleRecord("b0000000-0000-4000-8000-000000000002", "2026-12-07T09:00:00.000Z",
                              RecordResult::kFailed);
  b.imei_written = "11111111111111";
  b.imei_read = "";
  b.station = "line-1-b";
  UnitRecord c = SampleRecord("c0000000-0000-4000-8000-000000000003", "2026-12-08T10:00:00.000Z",
                              RecordResult::kStopped);
  c.product_written = "";
  c.product_read = "P-200";
  for (const UnitRecord* r : {&a, &b, &c}) ASSERT_TRUE(store->Append(*r));
  struct Case {
    void (*set)(RecordFilter&);
    std::string expected;  // first letters of the uuids, newest first
  };
  const Case cases[] = {
      {[](RecordFilter&) {}, "cba"},
      {[](RecordFilter& f) { f.since = "2026-12-07T09:00:00.000Z"; }, "cb"},
      {[](RecordFilter& f) { f.until = "2026-12-08"; }, "ba"},
      {[](RecordFilter& f) { f.since = "2026-12-07", f.until = "2026-12-07T09"; }, "a"},
      {[](RecordFilter& f) { f.imei = "11111111111111"; }, "b"},
      {[](RecordFilter& f) { f.imei = "860123456789012"; }, "ca"},  // read back
      {[](RecordFilter& f) { f.product = "P-200"; }, "c"},
      {[](RecordFilter& f) { f.product = "P-100"; }, "ba"},
      {[](RecordFilter& f) { f.result = RecordResult::kFailed; }, "b"},
      {[](RecordFilter& f) { f.result = RecordResult::kStopped; }, "c"},
      {[](RecordFilter& f) { f.station = "line-1-b"; }, "b"},
      {[](RecordFilter& f) { f.limit = 2; }, "cb"},
  };
  for (const Case& c0 : cases) {
    RecordFilter filter;
    c0.set(filter);
    const auto list = store->List(filter);
    ASSERT_TRUE(list);
    std::string got;
    for (const UnitRecord& r : *list) got += r.uuid[0];
    EXPECT_EQ(got, c0.expected) << filter.since << " " << filter.imei << " " << filter.product;
    for (const UnitRecord& r : *list) EXPECT_EQ(r.steps.size(), 4u);
  }
}

TEST_F(RecordStore, AnImeiIsFoundOnlyOnAPassedUnitOfAnotherProduct) {
  auto store = OpenStore();
  UnitRecord passed = SampleRecord("a0000000-0000-4000-8000-000000000001", "2026-12-07T08:00:00.000Z");
  UnitRecord failed = SampleRecord("b0000000-0000-4000-8000-000000000002", "2026-12-07T09:00:00.000Z",
                                   RecordResult::kFailed);
  failed.product_written = failed.product_read = "P-300";
  failed.imei_written = failed.imei_read = "22222222222222";
  ASSERT_TRUE(store->Append(passed));
  ASSERT_TRUE(store->Append(failed));
  struct Case {
    std::string imei, product;
    bool found;
  };
  const Case cases[] = {
      {"86012345678901", "P-999", true},    // written
      {"860123456789012", "P-999", true},   // read back
      {"86012345678901", "P-100", false},   // the same product: the unit tested again
      {"22222222222222", "P-999", false},   // that unit failed
      {"33333333333333", "P-999", false},
  };
  for (const Case& c : cases) {
    bool error = true;
    const std::optional<ImeiUse> use = store->PassedWithImeiOtherThan(c.imei, c.product, error);
    EXPECT_FALSE(error);
    EXPECT_EQ(use.has_value(), c.found) << c.imei << " " << c.product;
    if (use) {
      EXPECT_EQ(use->uuid, passed.uuid);
      EXPECT_EQ(use->product, "P-100");
      EXPECT_EQ(use->station, "line-1-a");
      EXPECT_EQ(use->ended, passed.ended);
    }
  }
}

TEST_F(RecordStore, StatisticsCountUnitsFailuresAndHours) {
  auto store = OpenStore();
  const char* starts[] = {"2026-12-07T08:01:00.000Z", "2026-12-07T08:30:00.000Z", "2026-12-07T09:10:00.000Z",
                          "2026-12-07T09:20:00.000Z", "2026-12-07T09:40:00.000Z"};
  const RecordResult results[] = {RecordResult::kPassed, RecordResult::kFailed, RecordResult::kFailed,
                                  RecordResult::kPassed, RecordResult::kStopped};
  std::vector<UnitRecord> all;
  for (int i = 0; i < 5; ++i) {
    UnitRecord r = SampleRecord(NewRecordUuid(), starts[i], results[i]);
    if (i == 2) r.steps[3].failure = "";  // counts under the step's name
    ASSERT_TRUE(store->Append(r));
    all.push_back(r);
  }
  const std::optional<RecordStats> s = store->Stats({});
  ASSERT_TRUE(s) << store->LastError();
  // The store's own query and the plain computation agree.
  for (const RecordStats& stats : {*s, ComputeStats(all)}) {
    EXPECT_EQ(stats.units, 5);
    EXPECT_EQ(stats.passed, 2);
    EXPECT_EQ(stats.failed, 2);
    EXPECT_EQ(stats.stopped, 1);
    EXPECT_DOUBLE_EQ(stats.YieldPercent(), 50.0);
    EXPECT_DOUBLE_EQ(stats.UnitsPerHour(), 2.5);
    ASSERT_EQ(stats.hours.size(), 2u);
    EXPECT_EQ(stats.hours[0].hour, "2026-12-07T08");
    EXPECT_EQ(stats.hours[1].units, 3);
    EXPECT_EQ(stats.hours[1].failed, 1);
    ASSERT_EQ(stats.top_failures.size(), 2u);
    EXPECT_EQ(stats.top_failures[0].units, 1);
  }
  RecordFilter later_filter;
  later_filter.since = "2026-12-07T09";
  const std::optional<RecordStats> later = store->Stats(later_filter);
  EXPECT_EQ(later->units, 3);
}

TEST_F(RecordStore, ForwardingTakesTheOldestFirstAndForgetsWhatWasMarked) {
  auto store = OpenStore();
  std::vector<std::string> uuids;
  for (const char* start : {"2026-12-07T09:00:00.000Z", "2026-12-07T08:00:00.000Z", "2026-12-07T10:00:00.000Z"}) {
    uuids.push_back(NewRecordUuid());
    ASSERT_TRUE(store->Append(SampleRecord(uuids.back(), start)));
  }
  auto waiting = store->Unforwarded(2);
  ASSERT_TRUE(waiting);
  ASSERT_EQ(waiting->size(), 2u);
  EXPECT_EQ((*waiting)[0].uuid, uuids[1]);
  EXPECT_EQ((*waiting)[0].steps.size(), 4u);
  ASSERT_TRUE(store->MarkForwarded({uuids[1], uuids[0]}));
  waiting = store->Unforwarded(10);
  ASSERT_EQ(waiting->size(), 1u);
  EXPECT_EQ((*waiting)[0].uuid, uuids[2]);
}

TEST_F(RecordStore, AReadOnlyFileListsButRefusesARecordWithAText) {
  ASSERT_TRUE(OpenStore()->Append(SampleRecord(NewRecordUuid(), "2026-12-07T08:00:00.000Z")));
  // The file may be read, not written: a child process runs as nobody (or,
  // without root, with the file read-only); the folder takes SQLite's
  // shared-memory file.
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && ::setuid(65534) != 0) ::_exit(10);
    std::string error;
    auto store = SqliteRecordStore::Open(path, error);
    if (store == nullptr) ::_exit(11);
    if (store->Writable()) ::_exit(12);
    if (store->List({})->size() != 1) ::_exit(13);
    const UnitRecord r = SampleRecord(NewRecordUuid(), "2026-12-07T09:00:00.000Z");
    if (store->Append(r)) ::_exit(14);
    if (store->LastError().find(r.uuid) == std::string::npos) ::_exit(15);
    if (store->LastError().find("read-only") == std::string::npos) ::_exit(16);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ::chmod(path.c_str(), 0600);
  EXPECT_EQ(OpenStore()->List({})->size(), 1u);
}

TEST_F(RecordStore, AFullStoreRefusesARecordAndKeepsTheOthers) {
  RecordStoreOptions small;
  small.max_pages = 12;
  auto store = OpenStore(small);
  int written = 0;
  UnitRecord r = SampleRecord("", "2026-12-07T08:00:00.000Z");
  r.identity_lines.assign(20, std::string(200, 'x'));
  for (; written < 200; ++written) {
    r.uuid = NewRecordUuid();
    if (!store->Append(r)) break;
  }
  ASSERT_LT(written, 200);
  EXPECT_NE(store->LastError().find("full"), std::string::npos) << store->LastError();
  EXPECT_FALSE(store->Writable());
  EXPECT_EQ(static_cast<int>(store->List({})->size()), written);
}

TEST_F(RecordStore, ADamagedFileIsReportedAndLeftUntouched) {
  const std::string junk = "this is not a database, but the only copy of something\n" + std::string(5000, 'z');
  ASSERT_TRUE(test::WriteFileBytes(path, junk));
  std::string error;
  EXPECT_EQ(SqliteRecordStore::Open(path, error), nullptr);
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_NE(error.find("left as it is"), std::string::npos) << error;
  EXPECT_EQ(test::ReadFileBytes(path), junk);
  EXPECT_NE(::access((path + "-wal").c_str(), F_OK), 0);
}

TEST_F(RecordStore, AnotherDatabaseIsNotTakenForRecords) {
  {
    SqliteDb db;
    ASSERT_TRUE(db.Open(path, true));
    ASSERT_TRUE(db.Exec("CREATE TABLE t(x); INSERT INTO t VALUES (1);"));
  }
  std::string error;
  EXPECT_EQ(SqliteRecordStore::Open(path, error), nullptr);
  EXPECT_NE(error.find("not one of production records"), std::string::npos) << error;
}

TEST_F(RecordStore, ALinkIsNotOpened) {
  OpenStore();
  const std::string link = dir.File("link.sqlite3");
  ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
  std::string error;
  EXPECT_EQ(SqliteRecordStore::Open(link, error), nullptr);
  EXPECT_NE(error.find("symbolic link"), std::string::npos) << error;
}

TEST_F(RecordStore, AMissingFileIsNotMadeWhenOnlyReading) {
  std::string error;
  RecordStoreOptions reading;
  reading.create = false;
  EXPECT_EQ(SqliteRecordStore::Open(path, error, reading), nullptr);
  EXPECT_NE(::access(path.c_str(), F_OK), 0);
}

TEST_F(RecordStore, AFileOfTheFirstVersionIsBroughtUpToDate) {
  const std::string uuid = NewRecordUuid();
  {
    SqliteDb db;
    ASSERT_TRUE(db.Open(path, true));
    std::string error;
    ASSERT_TRUE(MigrateRecordSchema(db, 0, 1, error)) << error;
    // A record as the first version wrote it.
    ASSERT_TRUE(db.Exec("INSERT INTO units VALUES ('" + uuid +
                        "', '2026-01-02T03:04:05.006Z', '2026-01-02T03:05:00.000Z', 'st', 'op', 'COM1', '0.0.9', 1,"
                        " '[\"运行测试\"]', '', '', 'READY', 10, '3.0', 'P', '86012345678901', 'P', '', '[]', 21,"
                        " 0, 'passed', '');"
                        "INSERT INTO steps VALUES ('" + uuid + "', 0, '连接', 'passed', '', 5);"));
  }
  auto store = OpenStore();
  ASSERT_NE(store, nullptr);
  SqliteDb db;
  ASSERT_TRUE(db.Open(path, false));
  EXPECT_EQ(db.QueryInt("SELECT version FROM schema_version"), CurrentRecordSchemaVersion());
  const std::optional<UnitRecord> r = store->Find(uuid);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->signal, 21);
  EXPECT_EQ(r->items, std::vector<std::string>{"运行测试"});
  ASSERT_EQ(r->steps.size(), 1u);
  // Records of the older file wait to be forwarded as new ones do.
  EXPECT_EQ(store->Unforwarded(10)->size(), 1u);
}

TEST_F(RecordStore, AFileOfANewerToolIsRefused) {
  OpenStore();
  {
    SqliteDb db;
    ASSERT_TRUE(db.Open(path, false));
    ASSERT_TRUE(db.Exec("UPDATE schema_version SET version = 99;"));
  }
  std::string error;
  EXPECT_EQ(SqliteRecordStore::Open(path, error), nullptr);
  EXPECT_NE(error.find("newer"), std::string::npos) << error;
}

// ---- keys, times, digests ------------------------------------------------------

TEST(RecordIds, UuidsAreVersionFourAndDiffer) {
  const std::string a = NewRecordUuid(), b = NewRecordUuid();
  EXPECT_TRUE(IsRecordUuid(a)) << a;
  EXPECT_NE(a, b);
  EXPECT_EQ(a[14], '4');
  EXPECT_NE(std::string("89ab").find(a[19]), std::string::npos) << a;
  EXPECT_FALSE(IsRecordUuid("A0000000-0000-4000-8000-000000000001"));
}

TEST(RecordIds, TimesAreIsoUtcWithMilliseconds) {
  const auto t = std::chrono::system_clock::from_time_t(1796686865) + std::chrono::milliseconds(7);
  EXPECT_EQ(IsoUtc(t), "2026-12-07T23:41:05.007Z");
  EXPECT_EQ(ParseIsoUtc("2026-12-07T23:41:05.007Z"), t);
  EXPECT_EQ(ParseIsoUtc("2026-12-07T23:41:05"), t - std::chrono::milliseconds(7));
  EXPECT_FALSE(ParseIsoUtc("yesterday"));
}

TEST(RecordIds, Sha256MatchesTheStandardsVectors) {
  struct Case {
    std::string input, digest;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    EXPECT_EQ(Sha256Hex(c.input), c.digest);
    ASSERT_TRUE(test::WriteFileBytes(dir.File("f"), c.input));
    EXPECT_EQ(FileSha256(dir.File("f")), c.digest);
  }
  EXPECT_FALSE(FileSha256(dir.File("missing")));
}

}  // namespace
}  // namespace zt
