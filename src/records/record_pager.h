// Reading a listing a page at a time, newest first, for a window that shows
// the first rows at once and the rest as it scrolls. Each page asks the
// store again for the records started at or before the last one seen (the
// order is started descending, then UUID), so a page costs the same at the
// end of a long listing as at its start, and no record is skipped or shown
// twice when several units started in the same millisecond.
//
// Thread safety: one pager per reader; the store decides about threads.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "records/record_store.h"

namespace zt {

class RecordPager {
 public:
  // Pages of `page_size` (at least 1) records of those `filter` takes (its
  // limit is ignored).
  RecordPager(IRecordStore& store, RecordFilter filter, std::size_t page_size);

  // The next page; empty once the listing has ended, nothing (with the
  // store's LastError) when the store could not be read. A failed page may
  // be asked for again.
  std::optional<std::vector<UnitRecord>> Next();
  bool AtEnd() const { return at_end_; }

 private:
  IRecordStore& store_;
  RecordFilter filter_;
  std::size_t page_size_;
  bool at_end_ = false;
  std::string last_started_;         // of the last record handed out
  std::vector<std::string> at_last_; // the UUIDs handed out with that start time
};

}  // namespace zt
