// A unit record as the line database's columns, both ways.
#pragma once

#include <libpq-fe.h>

#include <optional>
#include <string>
#include <vector>

#include "records/pg/pg_connection.h"
#include "records/unit_record.h"

namespace zt::pg {

// "passed", "failed", "stopped", as the database's CHECK constraint has them.
const char* ResultColumnText(RecordResult result);

// INSERT of one record with its steps, one statement (so one transaction);
// a UUID already there is left as it is.
extern const char* const kInsertRecordSql;
std::vector<Param> InsertRecordParams(const UnitRecord& record);

// The select list that RecordFromRow reads, over "records r".
extern const char* const kRecordColumnsSql;
// Nothing when a stored field cannot be read back.
std::optional<UnitRecord> RecordFromRow(const PGresult* result, int row, std::string& error);

}  // namespace zt::pg
