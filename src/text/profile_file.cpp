#include "text/profile_file.h"

#include "common/file_read.h"
#include "text/atomic_file.h"
#include "text/numbers.h"

namespace zt {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares names without regard to ASCII case. The byte after a GBK lead byte
// is compared exactly, since it may look like an ASCII letter.
bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto ua = static_cast<unsigned char>(a[i]);
    if (ua >= 0x81 && ua <= 0xFE && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

// The section name of a header line "[ name ]", or nothing for other lines.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  // The closing "]" is looked for character by character: the second byte of
  // a GBK character may be 0x5D.
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    if (byte >= 0x81 && byte <= 0xFE) {
      ++i;
    } else if (line[i] == ']') {
      line = line.substr(0, i);
      break;
    }
  }
  return Trim(line);
}

struct KeyValue {
  std::string_view key;
  std::string_view value;
};

// The key and value of an entry line, or nothing for other lines.
std::optional<KeyValue> EntryOf(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') return std::nullopt;
  const std::size_t eq = trimmed.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  KeyValue kv{Trim(trimmed.substr(0, eq)), Trim(trimmed.substr(eq + 1))};
  if (kv.value.size() >= 2 && kv.value.front() == '"' && kv.value.back() == '"') {
    kv.value = kv.value.substr(1, kv.value.size() - 2);
  }
  return kv;
}

std::string CutToBuffer(std::string_view text, std::size_t buffer_size) {
  if (buffer_size == 0) return {};
  return std::string(text.substr(0, buffer_size - 1));
}

}  // namespace

ProfileFile ProfileFile::Load(const std::string& path) {
  std::string bytes;
  if (ReadWholeFile(path, bytes) != FileReadStatus::kRead) return {};
  return Parse(bytes);
}

std::optional<ProfileFile> ProfileFile::LoadForUpdate(const std::string& path) {
  std::string bytes;
  switch (ReadWholeFile(path, bytes)) {
    case FileReadStatus::kRead: return Parse(bytes);
    case FileReadStatus::kMissing: return ProfileFile{};
    case FileReadStatus::kUnreadable: return std::nullopt;
  }
  return std::nullopt;
}

std::optional<ProfileFile> ProfileFile::LoadExisting(const std::string& path) {
  std::string bytes;
  if (ReadWholeFile(path, bytes) != FileReadStatus::kRead) return std::nullopt;
  return Parse(bytes);
}

ProfileFile ProfileFile::Parse(std::string_view text) {
  ProfileFile file;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    Line line{std::string(text.substr(start, end - start)), {}};
    if (end < text.size()) {
      const std::size_t len = (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
      line.end = std::string(text.substr(end, len));
      end += len;
    }
    file.lines_.push_back(std::move(line));
    start = end;
  }
  return file;
}

std::optional<std::string> ProfileFile::Get(std::string_view section, std::string_view key) const {
  const std::string_view wanted_section = Trim(section);
  const std::string_view wanted_key = Trim(key);
  bool in_section = false;
  for (const Line& line : lines_) {
    if (const auto name = SectionOf(line.text)) {
      in_section = NamesEqual(*name, wanted_section);
      continue;
    }
    if (!in_section) continue;
    if (const auto kv = EntryOf(line.text); kv && NamesEqual(kv->key, wanted_key)) {
      return std::string(kv->value);
    }
  }
  return std::nullopt;
}

bool ProfileFile::HasSection(std::string_view section) const {
  for (const Line& line : lines_) {
    if (const auto name = SectionOf(line.text); name && NamesEqual(*name, Trim(section))) return true;
  }
  return false;
}

void ProfileFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view wanted_section = Trim(section);
  const std::string_view wanted_key = Trim(key);
  std::string entry = std::string(wanted_key) + "=" + std::string(value);
  bool in_section = false;
  bool found_section = false;
  std::size_t insert_at = 0;  // after the last key of the section
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (const auto name = SectionOf(lines_[i].text)) {
      if (found_section && in_section) break;  // the first matching section ends here
      in_section = NamesEqual(*name, wanted_section);
      if (in_section) {
        found_section = true;
        insert_at = i + 1;
      }
      continue;
    }
    if (!in_section) continue;
    if (const auto kv = EntryOf(lines_[i].text)) {
      if (NamesEqual(kv->key, wanted_key)) {
        // The key keeps the spelling it has in the file.
        lines_[i].text = std::string(kv->key) + "=" + std::string(value);
        if (lines_[i].end.empty()) lines_[i].end = "\r\n";
        return;
      }
      insert_at = i + 1;
    }
  }
  if (!lines_.empty() && lines_.back().end.empty()) lines_.back().end = "\r\n";
  if (found_section) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at), Line{std::move(entry), "\r\n"});
    return;
  }
  if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back(Line{{}, "\r\n"});
  lines_.push_back(Line{"[" + std::string(wanted_section) + "]", "\r\n"});
  lines_.push_back(Line{std::move(entry), "\r\n"});
}

std::string ProfileFile::Text() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += line.end;
  }
  return out;
}

bool ProfileFile::Save(const std::string& path) const { return WriteFileAtomically(path, Text()); }

std::string ProfileReadString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view fallback,
                              std::size_t buffer_size) {
  const auto value = ProfileFile::Load(path).Get(section, key);
  return CutToBuffer(value ? std::string_view(*value) : fallback, buffer_size);
}

int ProfileReadInt(const std::string& path, std::string_view section, std::string_view key,
                   int fallback) {
  const auto value = ProfileFile::Load(path).Get(section, key);
  if (!value || value->empty()) return fallback;
  return Atoi(*value);
}

bool ProfileWriteString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  std::optional<ProfileFile> file = ProfileFile::LoadForUpdate(path);
  if (!file) return false;
  file->Set(section, key, value);
  return file->Save(path);
}

}  // namespace zt
