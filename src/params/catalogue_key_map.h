// The lines of a catalogue file as the catalogue reads them, and the key map
// they make: section + "__" + key -> value.
//
// Line rules: the file is read at most 298 bytes at a time (the rest of a
// longer line is read as a line of its own) and a zero byte ends a line. A
// line containing "[" anywhere is a section header: trimmed (tab, LF, CR,
// blank), first and last character dropped, trimmed again. Otherwise a line
// containing "=" is an entry: key before the first "=", value after it, both
// trimmed; an entry with an empty key or value is not stored, and a later
// entry replaces an earlier one with the same composite key (so "a__b" with
// key "c" and "a" with key "b__c" are one entry). Other lines are ignored.
// Names are compared byte for byte.
//
// The map keeps the file's bytes and refers to them by offset: a load makes
// no allocation per line, a copy of the map stays valid, and the entries of
// one section lie together, so the loader's many lookups in one section stay
// in the cache.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

class CatalogueKeyMap {
 public:
  // A section located once for the many lookups of its keys.
  struct Section {
    std::string_view name;
    std::int32_t record = -1;  // -1 when the file has no such section
    bool plain = true;         // no "__" inside and no "_" at the end
  };
  Section Locate(std::string_view section) const;

  // Replaces the map with the entries of `bytes` (a whole file).
  void Parse(std::string bytes);
  void Clear();

  // The value of section + "__" + key, pointing into the map's own copy of the
  // file: valid until the next Parse or Clear.
  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
  std::optional<std::string_view> Find(const Section& section, std::string_view key) const;

  std::size_t size() const { return entries_.size(); }

  // The bytes the map was parsed from. The views Find gives point into them,
  // so `value->data() - bytes().data()` is where a value lies in the file.
  std::string_view bytes() const { return text_; }

  // Calls f(key, value) for every entry of the section, the latest first, so
  // that the first sight of a key is its value. Exact only for composites
  // that split once: a plain section (Section::plain) with keys that neither
  // start with "_" nor hold "__"; the loader's parameter sections and keys are.
  template <class F>
  void ForEachLatestFirst(const Section& section, F&& f) const {
    if (section.record < 0) return;
    for (std::uint32_t run = records_[static_cast<std::size_t>(section.record)].last_run;
         run != kNone; run = runs_[run].previous) {
      for (std::uint32_t i = runs_[run].end; i-- > runs_[run].first;) {
        const Entry& e = entries_[i];
        f(View(e.key_offset, e.key_size), View(e.value_offset, e.value_size));
      }
    }
  }

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  struct Entry {
    std::uint32_t key_offset, key_size, key_head, value_offset, value_size;
  };
  // Consecutive entries of one section; a section named twice in the file
  // has two runs.
  struct Run {
    std::uint32_t first, end, previous;
  };
  struct SectionRecord {
    std::uint32_t name_offset, name_size;
    std::uint64_t hash;
    std::uint32_t last_run;
  };

  std::string_view View(std::uint32_t offset, std::uint32_t size) const {
    return std::string_view(text_).substr(offset, size);
  }
  std::int32_t FindRecord(std::string_view name, std::uint64_t hash) const;
  std::uint32_t AddRecord(std::string_view name);
  // Index of the latest entry of record + key, or kNone.
  std::uint32_t LatestEntry(std::int32_t record, std::string_view key) const;
  // Every split of section + "__" + key at a "__" (rarely more than one).
  std::uint32_t LatestOfAllSplits(std::string_view section, std::string_view key) const;

  std::string text_;
  std::vector<Entry> entries_;
  std::vector<Run> runs_;
  std::vector<SectionRecord> records_;
  std::vector<std::int32_t> slots_;  // open addressing over records_: -1 free
};

}  // namespace zt
