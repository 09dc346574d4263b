#include "records/record_schema.h"

#include <iterator>

#include "records/sqlite_db.h"

namespace zt {
namespace {

// 'ZtRc': marks the file as ours for tools that look (file(1), sqlite3).
constexpr const char* kApplicationId = "PRAGMA application_id = 1517572707;";

// Version n is reached by running kMigrations[n - 1].
constexpr const char* kMigrations[] = {
    // 1: the units and their steps.
    R"sql(
CREATE TABLE schema_version(version INTEGER NOT NULL);
INSERT INTO schema_version(version) VALUES (0);
CREATE TABLE units(
  uuid TEXT PRIMARY KEY NOT NULL,
  started TEXT NOT NULL,
  ended TEXT NOT NULL,
  station TEXT NOT NULL,
  operator TEXT NOT NULL,
  port TEXT NOT NULL,
  tool_version TEXT NOT NULL,
  finished_product INTEGER NOT NULL,
  items TEXT NOT NULL,
  config_path TEXT NOT NULL,
  config_sha256 TEXT NOT NULL,
  key_string TEXT NOT NULL,
  signal_threshold INTEGER NOT NULL,
  software_version TEXT NOT NULL,
  product_written TEXT NOT NULL,
  imei_written TEXT NOT NULL,
  product_read TEXT NOT NULL,
  imei_read TEXT NOT NULL,
  identity_lines TEXT NOT NULL,
  signal INTEGER,
  duplicate_imei_override INTEGER NOT NULL,
  result TEXT NOT NULL,
  failure TEXT NOT NULL DEFAULT '');
CREATE TABLE steps(
  unit TEXT NOT NULL REFERENCES units(uuid),
  position INTEGER NOT NULL,
  name TEXT NOT NULL,
  result TEXT NOT NULL,
  failure TEXT NOT NULL,
  duration_ms INTEGER NOT NULL,
  PRIMARY KEY(unit, position)) WITHOUT ROWID;
-- failure: a failed unit's failure text (its failed step's, or the step's
-- name), kept with the unit so that the statistics read this index alone.
CREATE INDEX units_started ON units(started, result, failure);
CREATE INDEX units_imei_written ON units(imei_written);
CREATE INDEX units_imei_read ON units(imei_read);
CREATE INDEX units_product_written ON units(product_written);
CREATE INDEX units_product_read ON units(product_read);
)sql",
    // 2: the forwarding queue towards a line's database.
    R"sql(
ALTER TABLE units ADD COLUMN forwarded INTEGER NOT NULL DEFAULT 0;
CREATE INDEX units_unforwarded ON units(started) WHERE forwarded = 0;
)sql",
};

}  // namespace

int CurrentRecordSchemaVersion() { return static_cast<int>(std::size(kMigrations)); }

std::optional<int> RecordSchemaVersion(SqliteDb& db, std::string& error) {
  // Reading the schema is the first read of the file: a file that is not a
  // database fails here.
  const std::optional<std::int64_t> tables = db.QueryInt("SELECT count(*) FROM sqlite_master");
  if (!tables) {
    error = db.LastError();
    return std::nullopt;
  }
  if (*tables == 0) return 0;
  const std::optional<std::int64_t> has_version =
      db.QueryInt("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'schema_version'");
  if (!has_version || *has_version == 0) {
    error = "the file is an SQLite database, but not one of production records";
    return std::nullopt;
  }
  const std::optional<std::int64_t> version = db.QueryInt("SELECT max(version) FROM schema_version");
  if (!version) {
    error = db.LastError().empty() ? "the records file has no schema version" : db.LastError();
    return std::nullopt;
  }
  return static_cast<int>(*version);
}

bool MigrateRecordSchema(SqliteDb& db, int from, int to, std::string& error) {
  for (int version = from + 1; version <= to && version <= CurrentRecordSchemaVersion(); ++version) {
    const std::string sql = std::string("BEGIN IMMEDIATE;") + kMigrations[version - 1] + kApplicationId +
                            "UPDATE schema_version SET version = " + std::to_string(version) + ";COMMIT;";
    if (!db.Exec(sql)) {
      error = "the records file could not be brought to version " + std::to_string(version) + ": " +
              db.LastError();
      db.Exec("ROLLBACK;");
      return false;
    }
  }
  return true;
}

}  // namespace zt
