// The line format shared by device profiles and saved-state files: GBK text
// in "[section words]" headers and "key=value" lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zt::dtusim {

struct SectionEntry {
  std::string key;    // text before the first "=", blanks trimmed
  std::string value;  // text after it, exactly as written (only the line end removed)
  int line = 0;       // 1-based line number, for messages
};

struct Section {
  std::vector<std::string> words;  // the header split at blanks: "channel MUL 2" -> 3 words
  std::vector<SectionEntry> entries;
  int line = 0;
};

// Splits a text into sections. Lines end in LF, CR LF or CR; blank lines and
// lines starting with "#" or ";" are skipped. A key line before the first
// header, a line that is neither header nor key line, or an empty key is an
// error: false, with "line N: ..." in *error.
bool ParseSections(std::string_view text, std::vector<Section>* out, std::string* error);

// Whole file as bytes; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* out);

// Writes a file through a temporary beside it and a rename, so that a reader
// never sees half of it; false on failure.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace zt::dtusim
