#include "records/record_pager.h"

#include <algorithm>

namespace zt {

RecordPager::RecordPager(IRecordStore& store, RecordFilter filter, std::size_t page_size)
    : store_(store), filter_(std::move(filter)), page_size_(std::max<std::size_t>(page_size, 1)) {
  filter_.limit = 0;
}

std::optional<std::vector<UnitRecord>> RecordPager::Next() {
  if (at_end_) return std::vector<UnitRecord>{};
  RecordFilter page = filter_;
  if (!last_started_.empty()) {
    // "started <= last": no ISO time continues a shorter one with a byte
    // below 0x01, so the last start time with 0x01 appended is the bound.
    const std::string bound = last_started_ + '\x01';
    if (page.until.empty() || bound < page.until) page.until = bound;
  }
  // The records of the last start time already handed out come first again.
  page.limit = page_size_ + at_last_.size();
  std::optional<std::vector<UnitRecord>> listed = store_.List(page);
  if (!listed) return std::nullopt;
  const bool short_page = listed->size() < page.limit;
  std::vector<UnitRecord> fresh;
  fresh.reserve(listed->size());
  for (UnitRecord& r : *listed) {
    if (r.started == last_started_ &&
        std::find(at_last_.begin(), at_last_.end(), r.uuid) != at_last_.end()) {
      continue;
    }
    fresh.push_back(std::move(r));
  }
  for (const UnitRecord& r : fresh) {
    if (r.started != last_started_) {
      last_started_ = r.started;
      at_last_.clear();
    }
    at_last_.push_back(r.uuid);
  }
  if (short_page || fresh.empty()) at_end_ = true;
  return fresh;
}

}  // namespace zt
