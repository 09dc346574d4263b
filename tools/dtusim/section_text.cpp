#include "dtusim/section_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace zt::dtusim {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::string> SplitWords(std::string_view s) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    size_t start = i;
    while (i < s.size() && !IsBlank(s[i])) ++i;
    if (i > start) words.emplace_back(s.substr(start, i - start));
  }
  return words;
}

// Next line of `text` from `pos`, without its end (LF, CR LF or CR).
std::string_view NextLine(std::string_view text, size_t* pos) {
  size_t start = *pos;
  size_t end = start;
  while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
  size_t next = end;
  if (next < text.size()) {
    if (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ++next;
    ++next;
  }
  *pos = next;
  return text.substr(start, end - start);
}

}  // namespace

bool ParseSections(std::string_view text, std::vector<Section>* out, std::string* error) {
  out->clear();
  size_t pos = 0;
  int line_no = 0;
  while (pos < text.size()) {
    std::string_view raw = NextLine(text, &pos);
    ++line_no;
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      if (line.back() != ']') {
        *error = "line " + std::to_string(line_no) + ": a section header must end in ']'";
        return false;
      }
      Section s;
      s.words = SplitWords(line.substr(1, line.size() - 2));
      s.line = line_no;
      if (s.words.empty()) {
        *error = "line " + std::to_string(line_no) + ": empty section header";
        return false;
      }
      out->push_back(std::move(s));
      continue;
    }
    size_t eq = raw.find('=');
    if (eq == std::string_view::npos) {
      *error = "line " + std::to_string(line_no) + ": expected key=value or [section]";
      return false;
    }
    if (out->empty()) {
      *error = "line " + std::to_string(line_no) + ": key line before the first section";
      return false;
    }
    SectionEntry entry;
    entry.key = std::string(Trim(raw.substr(0, eq)));
    entry.value = std::string(raw.substr(eq + 1));
    entry.line = line_no;
    if (entry.key.empty()) {
      *error = "line " + std::to_string(line_no) + ": empty key";
      return false;
    }
    out->back().entries.push_back(std::move(entry));
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string* out) {
  out->clear();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->append(buf, n);
  bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const std::string tmp = path + ".tmp";
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      ::unlink(tmp.c_str());
      return false;
    }
    done += static_cast<size_t>(n);
  }
  const bool synced = ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!synced || !closed) {
    ::unlink(tmp.c_str());
    return false;
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace zt::dtusim
