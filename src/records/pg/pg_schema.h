// The line database's tables, created and migrated when a station connects.
#pragma once

#include <libpq-fe.h>

#include <string>

namespace zt::pg {

// The schema version this program writes.
inline constexpr int kSchemaVersion = 1;

// Brings the database to kSchemaVersion, one migration after the other from
// the version it has (none: 0). Stations that connect at the same moment take
// turns (an advisory lock), so two never create the same table. False with
// the reason in `error`, also when the database is newer than this program.
bool EnsureSchema(PGconn* conn, std::string& error);

}  // namespace zt::pg
