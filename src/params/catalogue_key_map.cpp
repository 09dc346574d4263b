#include "params/catalogue_key_map.h"

#include <array>
#include <bit>
#include <cstring>
#include <string>

namespace zt {

namespace {

constexpr std::size_t kLineRead = 298;

std::uint64_t Hash(std::string_view bytes) {
  std::uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

// The first four bytes of a key, to tell most keys apart without reading them.
std::uint32_t KeyHead(std::string_view key) {
  std::uint32_t head = 0;
  for (std::size_t i = 0; i < 4 && i < key.size(); ++i) {
    head |= static_cast<std::uint32_t>(static_cast<unsigned char>(key[i])) << (8 * i);
  }
  return head;
}

std::size_t Home(std::uint64_t hash, std::size_t mask) {
  return static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15ull) >> 32) & mask;
}

// The bytes the line scan stops at: LF, "[", "=" and zero.
constexpr auto kSpecial = [] {
  std::array<bool, 256> special{};
  special['\n'] = special['['] = special['='] = special[0] = true;
  return special;
}();

// Bit 7 of every byte of `word` that equals `byte` is set in the result (the
// lowest such byte exactly; bytes above it may show false hits, which the
// caller does not look at).
constexpr std::uint64_t ByteMatches(std::uint64_t word, unsigned char byte) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  const std::uint64_t x = word ^ (kOnes * byte);
  return (x - kOnes) & ~x & (kOnes * 0x80);
}

// Position of the first special byte in text[from, limit), or limit. Eight
// bytes at a time where the machine is little-endian.
std::size_t NextSpecial(std::string_view text, std::size_t from, std::size_t limit) {
  if constexpr (std::endian::native == std::endian::little) {
    while (from + 8 <= limit) {
      std::uint64_t word;
      std::memcpy(&word, text.data() + from, sizeof word);
      const std::uint64_t hits = ByteMatches(word, '\n') | ByteMatches(word, '[') |
                                 ByteMatches(word, '=') | ByteMatches(word, 0);
      if (hits != 0) return from + static_cast<std::size_t>(std::countr_zero(hits)) / 8;
      from += 8;
    }
  }
  while (from < limit && !kSpecial[static_cast<unsigned char>(text[from])]) ++from;
  return from;
}

bool IsTrimmed(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsTrimmed(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsTrimmed(s.back())) s.remove_suffix(1);
  return s;
}

// A key that cannot take part in another split of the composite.
bool PlainKey(std::string_view key) {
  if (key.starts_with('_')) return false;
  for (std::size_t i = 1; i < key.size(); ++i) {
    if (key[i] == '_' && key[i - 1] == '_') return false;
  }
  return true;
}

}  // namespace

void CatalogueKeyMap::Clear() {
  text_.clear();
  entries_.clear();
  runs_.clear();
  records_.clear();
  slots_.clear();
}

std::int32_t CatalogueKeyMap::FindRecord(std::string_view name, std::uint64_t hash) const {
  if (slots_.empty()) return -1;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = Home(hash, mask);; i = (i + 1) & mask) {
    const std::int32_t r = slots_[i];
    if (r < 0) return -1;
    const SectionRecord& rec = records_[static_cast<std::size_t>(r)];
    if (rec.hash == hash && View(rec.name_offset, rec.name_size) == name) return r;
  }
}

std::uint32_t CatalogueKeyMap::AddRecord(std::string_view name) {
  const std::uint64_t hash = Hash(name);
  if (const std::int32_t r = FindRecord(name, hash); r >= 0) return static_cast<std::uint32_t>(r);
  if ((records_.size() + 1) * 2 > slots_.size()) {
    slots_.assign(slots_.empty() ? 256 : slots_.size() * 2, -1);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t r = 0; r < records_.size(); ++r) {
      std::size_t i = Home(records_[r].hash, mask);
      while (slots_[i] >= 0) i = (i + 1) & mask;
      slots_[i] = static_cast<std::int32_t>(r);
    }
  }
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = Home(hash, mask);
  while (slots_[i] >= 0) i = (i + 1) & mask;
  slots_[i] = static_cast<std::int32_t>(records_.size());
  records_.push_back({static_cast<std::uint32_t>(name.data() - text_.data()),
                      static_cast<std::uint32_t>(name.size()), hash, kNone});
  return static_cast<std::uint32_t>(records_.size() - 1);
}

void CatalogueKeyMap::Parse(std::string bytes) {
  Clear();
  // Offsets are 32-bit; a catalogue is a few hundred kilobytes.
  if (bytes.size() > 0xFFFFFFF0u) bytes.resize(0xFFFFFFF0u);
  text_ = std::move(bytes);
  entries_.reserve(text_.size() / 20 + 16);  // catalogue lines average some 20 bytes
  const std::string_view all(text_);
  // Before the first header, entries belong to the section with no name.
  std::uint32_t record = AddRecord(all.substr(0, 0));
  bool run_open = false;
  std::size_t pos = 0;
  while (pos < all.size()) {
    // One pass over the line: where it ends (LF, or the read limit), its
    // first "[" and "=", and a zero byte, which ends the text of the line.
    const std::size_t limit = pos + kLineRead < all.size() ? pos + kLineRead : all.size();
    std::size_t bracket = std::string_view::npos;
    std::size_t eq = std::string_view::npos;
    std::size_t cut = std::string_view::npos;
    std::size_t end = pos;
    while ((end = NextSpecial(all, end, limit)) < limit) {
      const char c = all[end++];
      if (c == '\n') break;
      if (cut != std::string_view::npos) continue;
      if (c == '[' && bracket == std::string_view::npos) bracket = end - 1 - pos;
      if (c == '=' && eq == std::string_view::npos) eq = end - 1 - pos;
      if (c == '\0') cut = end - 1 - pos;
    }
    std::string_view line = all.substr(pos, end - pos);
    pos = end;
    if (cut != std::string_view::npos) line = line.substr(0, cut);

    if (bracket != std::string_view::npos) {
      const std::string_view header = Trim(line);
      const std::size_t inner = header.size() >= 2 ? header.size() - 2 : 0;
      record = AddRecord(Trim(header.substr(1, inner)));
      run_open = false;
      continue;
    }
    if (eq == std::string_view::npos) continue;
    // Key and value are split first and trimmed each, so an entry line that
    // starts with blanks still splits at its "=".
    const std::string_view key = Trim(line.substr(0, eq));
    const std::string_view value = Trim(line.substr(eq + 1));
    if (key.empty() || value.empty()) continue;
    if (!run_open) {
      const auto first = static_cast<std::uint32_t>(entries_.size());
      runs_.push_back({first, first, records_[record].last_run});
      records_[record].last_run = static_cast<std::uint32_t>(runs_.size() - 1);
      run_open = true;
    }
    entries_.push_back({static_cast<std::uint32_t>(key.data() - text_.data()),
                        static_cast<std::uint32_t>(key.size()), KeyHead(key),
                        static_cast<std::uint32_t>(value.data() - text_.data()),
                        static_cast<std::uint32_t>(value.size())});
    ++runs_.back().end;
  }
}

std::uint32_t CatalogueKeyMap::LatestEntry(std::int32_t record, std::string_view key) const {
  if (record < 0) return kNone;
  const std::uint32_t head = KeyHead(key);
  for (std::uint32_t run = records_[static_cast<std::size_t>(record)].last_run; run != kNone;
       run = runs_[run].previous) {
    for (std::uint32_t i = runs_[run].end; i-- > runs_[run].first;) {
      const Entry& e = entries_[i];
      if (e.key_size == key.size() && e.key_head == head && View(e.key_offset, e.key_size) == key) {
        return i;
      }
    }
  }
  return kNone;
}

std::uint32_t CatalogueKeyMap::LatestOfAllSplits(std::string_view section,
                                                 std::string_view key) const {
  const std::string composite = std::string(section) + "__" + std::string(key);
  std::uint32_t latest = kNone;
  for (std::size_t p = composite.find("__"); p != std::string::npos; p = composite.find("__", p + 1)) {
    const std::string_view s = std::string_view(composite).substr(0, p);
    const std::uint32_t i =
        LatestEntry(FindRecord(s, Hash(s)), std::string_view(composite).substr(p + 2));
    if (i != kNone && (latest == kNone || i > latest)) latest = i;
  }
  return latest;
}

CatalogueKeyMap::Section CatalogueKeyMap::Locate(std::string_view section) const {
  const bool plain = section.find("__") == std::string_view::npos && !section.ends_with('_');
  return {section, FindRecord(section, Hash(section)), plain};
}

std::optional<std::string_view> CatalogueKeyMap::Find(const Section& section,
                                                      std::string_view key) const {
  const std::uint32_t i = section.plain && PlainKey(key) ? LatestEntry(section.record, key)
                                                         : LatestOfAllSplits(section.name, key);
  if (i == kNone) return std::nullopt;
  return View(entries_[i].value_offset, entries_[i].value_size);
}

std::optional<std::string_view> CatalogueKeyMap::Find(std::string_view section,
                                                      std::string_view key) const {
  return Find(Locate(section), key);
}

}  // namespace zt
