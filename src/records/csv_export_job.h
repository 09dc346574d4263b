// A period's records written as a CSV file, the records page's export. It
// runs away from the window's thread: an export of every unit of a busy
// station takes seconds. The job opens a reading connection of its own to
// the records file, so the page's connection stays free for its table.
//
// Thread safety: any thread; the records file may be written meanwhile.
#pragma once

#include <cstddef>
#include <string>

#include "records/unit_record.h"

namespace zt {

struct CsvExportOutcome {
  enum class Kind { kWritten, kNotRead, kNotWritten };
  Kind kind = Kind::kNotRead;
  std::size_t count = 0;  // records written
  std::string error;      // why the records could not be read (UTF-8)
};

// Lists the records of `records_file` that `filter` takes, newest first, and
// writes them whole to `target` (beside it, then renamed over it).
CsvExportOutcome ExportRecordsCsv(const std::string& records_file, const RecordFilter& filter,
                                  const std::string& target);

}  // namespace zt
