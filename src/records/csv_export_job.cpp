#include "records/csv_export_job.h"

#include <memory>
#include <optional>
#include <vector>

#include "records/record_export.h"
#include "records/sqlite_record_store.h"
#include "text/atomic_file.h"

namespace zt {

CsvExportOutcome ExportRecordsCsv(const std::string& records_file, const RecordFilter& filter,
                                  const std::string& target) {
  CsvExportOutcome outcome;
  RecordStoreOptions reading;
  reading.create = false;  // an export never makes a records file
  const std::unique_ptr<SqliteRecordStore> store = SqliteRecordStore::Open(records_file, outcome.error, reading);
  if (!store) return outcome;
  const std::optional<std::vector<UnitRecord>> records = store->List(filter);
  if (!records) {
    outcome.error = store->LastError();
    return outcome;
  }
  outcome.count = records->size();
  outcome.kind = WriteFileAtomically(target, RecordsCsv(*records)) ? CsvExportOutcome::Kind::kWritten
                                                                    : CsvExportOutcome::Kind::kNotWritten;
  return outcome;
}

}  // namespace zt
