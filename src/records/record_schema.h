// The records file's tables and how a file made by an older tool is brought
// up to date. Every version is one entry in the migration list; a new
// version is one more entry (never change an entry that has shipped). The
// table schema_version holds the version the file is at.
#pragma once

#include <optional>
#include <string>

namespace zt {

class SqliteDb;

// The version this tool writes.
int CurrentRecordSchemaVersion();

// The file's version: 0 for a new, empty file; nothing (and `error`) when
// the file is not a records store (another SQLite database, or a damaged
// file).
std::optional<int> RecordSchemaVersion(SqliteDb& db, std::string& error);

// Applies the migrations after `from` up to `to`, each in a transaction of
// its own; false (and `error`) when one fails, which leaves the file at the
// last version that completed.
bool MigrateRecordSchema(SqliteDb& db, int from, int to, std::string& error);

}  // namespace zt
