// Where records are kept. The local store (SQLite) is written first, one
// transaction per record; a line's database (PostgreSQL) receives them from
// the local store's forwarding queue, exactly once (the UUID is the key).
//
// Errors: every call returns false / nothing on failure and leaves a UTF-8
// text in LastError(); no call throws, shows a window or ends the process.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/record_stats.h"
#include "records/unit_record.h"

namespace zt {

class IRecordStore {
 public:
  virtual ~IRecordStore() = default;
  // Stores the record; a record whose UUID is already stored is left as it
  // is and the call succeeds (forwarding again is harmless).
  virtual bool Append(const UnitRecord& record) = 0;
  // Newest first.
  virtual std::optional<std::vector<UnitRecord>> List(const RecordFilter& filter) = 0;
  virtual std::optional<UnitRecord> Find(const std::string& uuid) = 0;
  // The latest passed unit with this IMEI (written or read back) whose
  // product number differs from `product`; nothing when there is none.
  // `error` is set true when the store could not be asked.
  virtual std::optional<ImeiUse> PassedWithImeiOtherThan(const std::string& imei, const std::string& product,
                                                         bool& error) = 0;
  // The statistics of the records the filter takes (its limit ignored).
  // The default reads them with List; a store may ask its database instead.
  virtual std::optional<RecordStats> Stats(const RecordFilter& filter);
  virtual std::string LastError() const = 0;
};

// The local store's side of forwarding: the records not yet accepted by the
// line's database, oldest first, and the mark that they were.
class IForwardQueue {
 public:
  virtual ~IForwardQueue() = default;
  virtual std::optional<std::vector<UnitRecord>> Unforwarded(std::size_t limit) = 0;
  virtual bool MarkForwarded(const std::vector<std::string>& uuids) = 0;
};

}  // namespace zt
