#include "records/sqlite_record_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <algorithm>
#include <unordered_map>

#include "records/record_schema.h"

namespace zt {
namespace {

// A writer that finds the file locked (a checkpoint, another station's
// `records` command writing) waits this long before the append fails.
constexpr int kBusyTimeoutMs = 1500;
// A log of so many pages (4 KiB each) is moved into the file.
constexpr int kCheckpointPages = 256;

constexpr const char* kInsertUnit =
    "INSERT OR IGNORE INTO units(uuid, started, ended, station, operator, port, tool_version, finished_product, "
    "items, config_path, config_sha256, key_string, signal_threshold, software_version, product_written, "
    "imei_written, product_read, imei_read, identity_lines, signal, duplicate_imei_override, result, failure) "
    "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";

constexpr const char* kUnitColumns =
    "uuid, started, ended, station, operator, port, tool_version, finished_product, items, config_path, "
    "config_sha256, key_string, signal_threshold, software_version, product_written, imei_written, "
    "product_read, imei_read, identity_lines, signal, duplicate_imei_override, result";

std::string JsonList(const std::vector<std::string>& items) {
  return nlohmann::json(items).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::vector<std::string> ListFromJson(const std::string& text) {
  const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
  std::vector<std::string> out;
  if (!parsed.is_array()) return out;
  for (const auto& item : parsed) {
    if (item.is_string()) out.push_back(item.get<std::string>());
  }
  return out;
}

UnitRecord RecordOfRow(const SqliteStatement& row) {
  UnitRecord r;
  int c = 0;
  r.uuid = row.Text(c++);
  r.started = row.Text(c++);
  r.ended = row.Text(c++);
  r.station = row.Text(c++);
  r.operator_name = row.Text(c++);
  r.port = row.Text(c++);
  r.tool_version = row.Text(c++);
  r.finished_product = row.Int(c++) != 0;
  r.items = ListFromJson(row.Text(c++));
  r.config_path = row.Text(c++);
  r.config_sha256 = row.Text(c++);
  r.key_string = row.Text(c++);
  r.signal_threshold = static_cast<std::int32_t>(row.Int(c++));
  r.software_version = row.Text(c++);
  r.product_written = row.Text(c++);
  r.imei_written = row.Text(c++);
  r.product_read = row.Text(c++);
  r.imei_read = row.Text(c++);
  r.identity_lines = ListFromJson(row.Text(c++));
  if (!row.IsNull(c)) r.signal = static_cast<std::int32_t>(row.Int(c));
  ++c;
  r.duplicate_imei_override = row.Int(c++) != 0;
  r.result = RecordResultFromToken(row.Text(c++)).value_or(RecordResult::kStopped);
  return r;
}

// The filter as a WHERE clause over units (alias u) and its arguments.
std::string WhereOf(const RecordFilter& f, std::vector<std::string>& args) {
  std::string where = " WHERE 1";
  const auto add = [&](const char* clause, const std::string& value) {
    where += clause;
    args.push_back(value);
  };
  if (!f.since.empty()) add(" AND u.started >= ?", f.since);
  if (!f.until.empty()) add(" AND u.started < ?", f.until);
  if (!f.imei.empty()) {
    where += " AND (u.imei_written = ? OR u.imei_read = ?)";
    args.push_back(f.imei);
    args.push_back(f.imei);
  }
  if (!f.product.empty()) {
    where += " AND (u.product_written = ? OR u.product_read = ?)";
    args.push_back(f.product);
    args.push_back(f.product);
  }
  if (f.result) add(" AND u.result = ?", RecordResultToken(*f.result));
  if (!f.station.empty()) add(" AND u.station = ?", f.station);
  return where;
}

void BindAll(SqliteStatement& stmt, const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) stmt.Bind(static_cast<int>(i) + 1, args[i]);
}

// Makes the file ourselves, private to the user, refusing a link, so that
// SQLite opens what we made.
bool CreatePrivateFile(const std::string& path, std::string& error) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0 && errno != EEXIST) {
    error = "the records file " + path + " cannot be created: " + std::strerror(errno);
    return false;
  }
  if (fd >= 0) ::close(fd);
  return true;
}

}  // namespace

std::unique_ptr<SqliteRecordStore> SqliteRecordStore::Open(const std::string& path, std::string& error,
                                                           const RecordStoreOptions& options) {
  struct stat st {};
  const bool exists = ::lstat(path.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    error = "the records file " + path + " is a symbolic link; it is not opened";
    return nullptr;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    error = "the records file " + path + " is not a regular file";
    return nullptr;
  }
  if (!exists) {
    if (!options.create) {
      error = "there is no records file at " + path;
      return nullptr;
    }
    if (!CreatePrivateFile(path, error)) return nullptr;
  }
  std::unique_ptr<SqliteRecordStore> store(new SqliteRecordStore());
  store->path_ = path;
  SqliteDb& db = store->db_;
  if (!db.Open(path, false)) {
    error = "the records file " + path + " cannot be opened: " + db.LastError();
    return nullptr;
  }
  db.Exec("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs) + ";");
  std::string why;
  const std::optional<int> version = RecordSchemaVersion(db, why);
  if (!version) {
    error = "the records file " + path + " cannot be used (" + why +
            "); it is left as it is: move it aside to start a new one";
    return nullptr;
  }
  const int current = CurrentRecordSchemaVersion();
  if (*version > current) {
    error = "the records file " + path + " was written by a newer ZerelTool (schema version " +
            std::to_string(*version) + ", this one knows up to " + std::to_string(current) + ")";
    return nullptr;
  }
  if (!db.ReadOnly()) {
    // WAL: readers (records list) and the writer do not wait on each other;
    // NORMAL: a commit does not wait for the disk, a checkpoint does.
    db.Exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;");
    if (options.max_pages > 0) db.Exec("PRAGMA max_page_count = " + std::to_string(options.max_pages) + ";");
  }
  if (*version < current) {
    if (db.ReadOnly()) {
      error = "the records file " + path + " is at schema version " + std::to_string(*version) +
              " and cannot be brought up to date: it is read-only";
      return nullptr;
    }
    if (!MigrateRecordSchema(db, *version, current, why)) {
      error = "the records file " + path + ": " + why;
      return nullptr;
    }
  }
  if (!db.ReadOnly()) store->StartCheckpointer();
  return store;
}

SqliteRecordStore::~SqliteRecordStore() {
  {
    std::lock_guard lock(checkpoint_mutex_);
    stopping_ = true;
  }
  checkpoint_wanted_.notify_all();
  if (checkpointer_.joinable()) checkpointer_.join();
}

void SqliteRecordStore::StartCheckpointer() {
  if (!checkpoint_db_.Open(path_, false)) return;  // SQLite's own checkpoints then go on
  checkpoint_db_.Exec("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs) + ";");
  db_.OnWalCommit([this](int pages) {
    if (pages < kCheckpointPages) return;
    {
      std::lock_guard lock(checkpoint_mutex_);
      checkpoint_due_ = true;
    }
    checkpoint_wanted_.notify_one();
  });
  checkpointer_ = std::thread(&SqliteRecordStore::CheckpointThread, this);
}

void SqliteRecordStore::CheckpointThread() {
  std::unique_lock lock(checkpoint_mutex_);
  for (;;) {
    checkpoint_wanted_.wait(lock, [this] { return checkpoint_due_ || stopping_; });
    if (stopping_) return;
    checkpoint_due_ = false;
    lock.unlock();
    // PASSIVE: copies what no reader needs and never blocks a writer.
    checkpoint_db_.Exec("PRAGMA wal_checkpoint(PASSIVE);");
    lock.lock();
  }
}

bool SqliteRecordStore::Fail(std::string text) const {
  error_ = std::move(text);
  return false;
}

std::string SqliteRecordStore::LastError() const {
  std::lock_guard lock(mutex_);
  return error_;
}

bool SqliteRecordStore::Writable() const {
  std::lock_guard lock(mutex_);
  return !db_.ReadOnly() && !last_append_failed_;
}

bool SqliteRecordStore::Append(const UnitRecord& r) {
  std::lock_guard lock(mutex_);
  const auto failed = [&](const std::string& what) {
    last_append_failed_ = true;
    const std::string text = "the record of unit " + r.uuid + " could not be written to " + path_ + " (" + what +
                             "): " + db_.LastError();
    if (insert_unit_) insert_unit_->Reset();
    if (insert_step_) insert_step_->Reset();
    db_.Exec("ROLLBACK;");
    return Fail(text);
  };
  if (db_.ReadOnly()) {
    last_append_failed_ = true;
    return Fail("the record of unit " + r.uuid + " could not be written to " + path_ + ": the file is read-only");
  }
  if (!db_.Exec("BEGIN IMMEDIATE;")) return failed("begin");
  if (!insert_unit_) {
    insert_unit_ = db_.Prepare(kInsertUnit);
  }
  if (!insert_step_) {
    insert_step_ =
        db_.Prepare("INSERT INTO steps(unit, position, name, result, failure, duration_ms) VALUES (?,?,?,?,?,?)");
  }
  if (!insert_unit_ || !insert_step_) return failed("prepare");
  SqliteStatement* unit = &*insert_unit_;
  unit->Reset();
  int c = 1;
  unit->Bind(c++, r.uuid);
  unit->Bind(c++, r.started);
  unit->Bind(c++, r.ended);
  unit->Bind(c++, r.station);
  unit->Bind(c++, r.operator_name);
  unit->Bind(c++, r.port);
  unit->Bind(c++, r.tool_version);
  unit->Bind(c++, std::int64_t{r.finished_product});
  unit->Bind(c++, JsonList(r.items));
  unit->Bind(c++, r.config_path);
  unit->Bind(c++, r.config_sha256);
  unit->Bind(c++, r.key_string);
  unit->Bind(c++, std::int64_t{r.signal_threshold});
  unit->Bind(c++, r.software_version);
  unit->Bind(c++, r.product_written);
  unit->Bind(c++, r.imei_written);
  unit->Bind(c++, r.product_read);
  unit->Bind(c++, r.imei_read);
  unit->Bind(c++, JsonList(r.identity_lines));
  if (r.signal) {
    unit->Bind(c++, std::int64_t{*r.signal});
  } else {
    unit->BindNull(c++);
  }
  unit->Bind(c++, std::int64_t{r.duplicate_imei_override});
  unit->Bind(c++, RecordResultToken(r.result));
  unit->Bind(c++, r.result == RecordResult::kFailed ? FailureKey(r) : std::string());
  if (!unit->Run()) return failed("unit");
  const std::optional<std::int64_t> added = db_.QueryInt("SELECT changes()");
  if (added && *added > 0) {
    SqliteStatement* step = &*insert_step_;
    for (std::size_t i = 0; i < r.steps.size(); ++i) {
      const StepRecord& s = r.steps[i];
      step->Reset();
      step->Bind(1, r.uuid);
      step->Bind(2, static_cast<std::int64_t>(i));
      step->Bind(3, s.name);
      step->Bind(4, RecordResultToken(s.result));
      step->Bind(5, s.failure);
      step->Bind(6, s.duration_ms);
      if (!step->Run()) return failed("step");
    }
  }
  if (!db_.Exec("COMMIT;")) return failed("commit");
  last_append_failed_ = false;
  return true;
}

bool SqliteRecordStore::ReadSteps(std::vector<UnitRecord>& records, const std::string& where,
                                  const std::vector<std::string>& args) {
  if (records.empty()) return true;
  std::unordered_map<std::string, UnitRecord*> by_uuid;
  by_uuid.reserve(records.size());
  for (UnitRecord& r : records) by_uuid.emplace(r.uuid, &r);
  // One query for all the units' steps: far cheaper than one per unit.
  std::optional<SqliteStatement> stmt =
      db_.Prepare("SELECT s.unit, s.name, s.result, s.failure, s.duration_ms FROM steps s WHERE s.unit IN "
                  "(SELECT u.uuid FROM units u" + where + ") ORDER BY s.unit, s.position");
  if (!stmt) return Fail(db_.LastError());
  BindAll(*stmt, args);
  while (stmt->Step()) {
    const auto at = by_uuid.find(stmt->Text(0));
    if (at == by_uuid.end()) continue;
    StepRecord s;
    s.name = stmt->Text(1);
    s.result = RecordResultFromToken(stmt->Text(2)).value_or(RecordResult::kFailed);
    s.failure = stmt->Text(3);
    s.duration_ms = stmt->Int(4);
    at->second->steps.push_back(std::move(s));
  }
  if (stmt->Failed()) return Fail(db_.LastError());
  return true;
}

std::optional<std::vector<UnitRecord>> SqliteRecordStore::Query(const std::string& where,
                                                                const std::vector<std::string>& args,
                                                                const std::string& tail) {
  std::optional<SqliteStatement> stmt =
      db_.Prepare(std::string("SELECT ") + kUnitColumns + " FROM units u" + where + tail);
  if (!stmt) {
    Fail(db_.LastError());
    return std::nullopt;
  }
  BindAll(*stmt, args);
  std::vector<UnitRecord> records;
  while (stmt->Step()) records.push_back(RecordOfRow(*stmt));
  if (stmt->Failed()) {
    Fail(db_.LastError());
    return std::nullopt;
  }
  // A limited listing reads the steps of exactly its units.
  if (!tail.empty() && tail.find("LIMIT") != std::string::npos) {
    std::vector<std::string> uuids;
    std::string in = " WHERE u.uuid IN (";
    for (std::size_t i = 0; i < records.size(); ++i) {
      in += i == 0 ? "?" : ",?";
      uuids.push_back(records[i].uuid);
    }
    in += ")";
    if (!ReadSteps(records, in, uuids)) return std::nullopt;
  } else if (!ReadSteps(records, where, args)) {
    return std::nullopt;
  }
  return records;
}

std::optional<std::vector<UnitRecord>> SqliteRecordStore::List(const RecordFilter& filter) {
  std::lock_guard lock(mutex_);
  std::vector<std::string> args;
  const std::string where = WhereOf(filter, args);
  std::string tail = " ORDER BY u.started DESC, u.uuid";
  if (filter.limit > 0) tail += " LIMIT " + std::to_string(filter.limit);
  return Query(where, args, tail);
}

std::optional<UnitRecord> SqliteRecordStore::Find(const std::string& uuid) {
  std::lock_guard lock(mutex_);
  const std::optional<std::vector<UnitRecord>> found = Query(" WHERE u.uuid = ?", {uuid}, {});
  if (!found || found->empty()) {
    if (found) Fail("no record " + uuid);
    return std::nullopt;
  }
  return found->front();
}

std::optional<ImeiUse> SqliteRecordStore::PassedWithImeiOtherThan(const std::string& imei,
                                                                  const std::string& product, bool& error) {
  std::lock_guard lock(mutex_);
  error = false;
  // A unit's product number is the one written, or the one read back when
  // none was written.
  std::optional<SqliteStatement> stmt = db_.Prepare(
      "SELECT uuid, ended, station, product FROM ("
      " SELECT uuid, ended, station, CASE WHEN product_written <> '' THEN product_written ELSE product_read END "
      " AS product FROM units WHERE result = 'passed' AND (imei_written = ?1 OR imei_read = ?1))"
      " WHERE product <> ?2 ORDER BY ended DESC LIMIT 1");
  if (!stmt) {
    error = true;
    Fail(db_.LastError());
    return std::nullopt;
  }
  stmt->Bind(1, imei);
  stmt->Bind(2, product);
  if (!stmt->Step()) {
    if (stmt->Failed()) {
      error = true;
      Fail(db_.LastError());
    }
    return std::nullopt;
  }
  return ImeiUse{stmt->Text(0), stmt->Text(1), stmt->Text(2), stmt->Text(3)};
}

std::optional<RecordStats> SqliteRecordStore::Stats(const RecordFilter& filter) {
  std::lock_guard lock(mutex_);
  std::vector<std::string> args;
  const std::string where = WhereOf(filter, args);
  // One pass over the index of start times, results and failure texts (no
  // table rows are read without an IMEI, product or station filter); the
  // hours come in order.
  std::optional<SqliteStatement> units =
      db_.Prepare("SELECT u.started, u.result, u.failure FROM units u" + where + " ORDER BY u.started");
  if (!units) {
    Fail(db_.LastError());
    return std::nullopt;
  }
  BindAll(*units, args);
  RecordStats stats;
  std::unordered_map<std::string, std::int64_t> failures;
  while (units->Step()) {
    const std::string started = units->Text(0);
    const std::string hour = started.substr(0, 13);
    if (stats.hours.empty() || stats.hours.back().hour != hour) stats.hours.push_back(HourCount{hour, 0, 0, 0});
    HourCount& h = stats.hours.back();
    ++stats.units;
    ++h.units;
    const std::string result = units->Text(1);
    if (result == "passed") {
      ++stats.passed;
      ++h.passed;
    } else if (result == "failed") {
      ++stats.failed;
      ++h.failed;
      ++failures[units->Text(2)];
    } else {
      ++stats.stopped;
    }
  }
  if (units->Failed()) {
    Fail(db_.LastError());
    return std::nullopt;
  }
  for (auto& [text, n] : failures) stats.top_failures.push_back({text, n});
  std::sort(stats.top_failures.begin(), stats.top_failures.end(), [](const FailureCount& x, const FailureCount& y) {
    return x.units != y.units ? x.units > y.units : x.text < y.text;
  });
  if (stats.top_failures.size() > kTopFailures) stats.top_failures.resize(kTopFailures);
  return stats;
}

std::optional<std::vector<UnitRecord>> SqliteRecordStore::Unforwarded(std::size_t limit) {
  std::lock_guard lock(mutex_);
  std::string tail = " ORDER BY u.started, u.uuid";
  if (limit > 0) tail += " LIMIT " + std::to_string(limit);
  return Query(" WHERE u.forwarded = 0", {}, tail);
}

bool SqliteRecordStore::MarkForwarded(const std::vector<std::string>& uuids) {
  std::lock_guard lock(mutex_);
  if (!db_.Exec("BEGIN IMMEDIATE;")) return Fail(db_.LastError());
  std::optional<SqliteStatement> stmt = db_.Prepare("UPDATE units SET forwarded = 1 WHERE uuid = ?");
  bool ok = stmt.has_value();
  for (const std::string& uuid : uuids) {
    if (!ok) break;
    stmt->Reset();
    stmt->Bind(1, uuid);
    ok = stmt->Run();
  }
  if (!ok || !db_.Exec("COMMIT;")) {
    const std::string text = db_.LastError();
    stmt.reset();
    db_.Exec("ROLLBACK;");
    return Fail(text);
  }
  return true;
}

}  // namespace zt
