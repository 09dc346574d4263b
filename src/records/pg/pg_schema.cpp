#include "records/pg/pg_schema.h"

#include <iterator>
#include <vector>

#include "records/pg/pg_connection.h"

namespace zt::pg {
namespace {

// Any number of ours, the same on every station: the key of the lock that
// lets one station at a time migrate.
constexpr const char* kMigrationLockKey = "7450127301";

// Migration i takes the database from version i to version i + 1.
constexpr const char* kMigrations[] = {
    // Version 1: one row per unit, its steps apart. Times are the ISO texts
    // the stations wrote (they compare in time order); lists are JSON arrays.
    R"sql(
CREATE TABLE records (
  uuid text PRIMARY KEY,
  started text NOT NULL,
  ended text NOT NULL,
  station text NOT NULL,
  operator_name text NOT NULL,
  port text NOT NULL,
  tool_version text NOT NULL,
  finished_product boolean NOT NULL,
  items jsonb NOT NULL,
  config_path text NOT NULL,
  config_sha256 text NOT NULL,
  key_string text NOT NULL,
  signal_threshold integer NOT NULL,
  software_version text NOT NULL,
  product_written text NOT NULL,
  imei_written text NOT NULL,
  product_read text NOT NULL,
  imei_read text NOT NULL,
  identity_lines jsonb NOT NULL,
  signal integer,
  duplicate_imei_override boolean NOT NULL,
  result text NOT NULL CHECK (result IN ('passed', 'failed', 'stopped')),
  received timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX records_started ON records (started);
CREATE INDEX records_imei_written ON records (imei_written);
CREATE INDEX records_imei_read ON records (imei_read);
CREATE TABLE steps (
  record_uuid text NOT NULL REFERENCES records (uuid) ON DELETE CASCADE,
  position integer NOT NULL,
  name text NOT NULL,
  result text NOT NULL CHECK (result IN ('passed', 'failed', 'stopped')),
  failure text NOT NULL,
  duration_ms bigint NOT NULL,
  PRIMARY KEY (record_uuid, position)
);
)sql",
};
static_assert(std::size(kMigrations) == kSchemaVersion);

bool Run(PGconn* conn, const char* sql, const std::vector<Param>& params, std::string& error) {
  return Exec(conn, sql, params, error) != nullptr;
}

bool Migrate(PGconn* conn, std::string& error) {
  if (!Run(conn, "SELECT pg_advisory_xact_lock($1::bigint)", {kMigrationLockKey}, error)) return false;
  if (!Run(conn, "CREATE TABLE IF NOT EXISTS schema_version (version integer NOT NULL)", {}, error)) return false;
  Result current = Exec(conn, "SELECT COALESCE(max(version), 0) FROM schema_version", {}, error);
  if (!current) return false;
  const int version = std::stoi(Text(current.get(), 0, 0));
  if (version > kSchemaVersion) {
    error = "the line's database has records of a newer program (schema version " + std::to_string(version) +
            ", this program knows up to " + std::to_string(kSchemaVersion) + ")";
    return false;
  }
  for (int v = version; v < kSchemaVersion; ++v) {
    if (!ExecScript(conn, kMigrations[v], error)) return false;
    if (!Run(conn, "INSERT INTO schema_version (version) VALUES ($1::integer)", {std::to_string(v + 1)}, error)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool EnsureSchema(PGconn* conn, std::string& error) {
  if (!Run(conn, "BEGIN", {}, error)) return false;
  if (!Migrate(conn, error)) {
    std::string ignored;
    Run(conn, "ROLLBACK", {}, ignored);
    error = "cannot prepare the line's database: " + error;
    return false;
  }
  if (!Run(conn, "COMMIT", {}, error)) {
    error = "cannot prepare the line's database: " + error;
    return false;
  }
  return true;
}

}  // namespace zt::pg
