#include "params/common_mark_writer.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "params/catalogue_key_map.h"
#include "params/catalogue_loader.h"
#include "params/catalogue_source.h"
#include "common/file_read.h"
#include "text/atomic_file.h"
#include "text/gbk_literal.h"
#include "text/profile_file.h"
#include "text/strformat.h"

namespace zt {

using namespace zt::literals;

namespace {

constexpr std::string_view kMarkKey = "is_common_param";

std::string ParamSection(int group, std::size_t index) {
  return Format("group%d_parm%d", group, static_cast<int>(index) + 1);
}

std::string_view MarkText(bool mark) { return mark ? "1" : "0"; }

// One change of the file: `erase` bytes at `offset` give way to `text`.
struct Edit {
  std::size_t offset = 0;
  std::size_t erase = 0;
  std::string text;
};

// Where a new entry of `section` goes: just after the line of the section's
// latest entry (the one a reload reads last), with that line's end.
std::optional<Edit> AppendToSection(const CatalogueKeyMap& keys, const CatalogueKeyMap::Section& section,
                                    std::string_view entry) {
  const std::string_view bytes = keys.bytes();
  std::optional<std::size_t> last_value_end;
  keys.ForEachLatestFirst(section, [&](std::string_view, std::string_view value) {
    if (!last_value_end)
      last_value_end = static_cast<std::size_t>(value.data() - bytes.data()) + value.size();
  });
  if (!last_value_end) return std::nullopt;
  const std::size_t lf = bytes.find('\n', *last_value_end);
  if (lf == std::string_view::npos) {
    // The entry is on the file's last line, which has no line end: give it one.
    const bool crlf = bytes.find("\r\n") != std::string_view::npos;
    return Edit{bytes.size(), 0, std::string(crlf ? "\r\n" : "\n") + std::string(entry)};
  }
  const bool crlf = lf > 0 && bytes[lf - 1] == '\r';
  return Edit{lf + 1, 0, std::string(entry) + (crlf ? "\r\n" : "\n")};
}

std::string ApplyEdits(std::string_view bytes, std::vector<Edit> edits) {
  std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.offset < b.offset; });
  std::string out;
  out.reserve(bytes.size() + edits.size() * (kMarkKey.size() + 4));
  std::size_t at = 0;
  for (const Edit& e : edits) {
    out.append(bytes.substr(at, e.offset - at));
    out.append(e.text);
    at = e.offset + e.erase;
  }
  out.append(bytes.substr(at));
  return out;
}

// The marks put on a loaded table, where it has the parameter.
void PutMarks(CParamCatalogue& catalogue, const CommonParamMarks& marks) {
  for (int g = 1; g < kGroupSlots; ++g) {
    ParamGroup& group = catalogue.groups[static_cast<std::size_t>(g)];
    const auto& row = marks[static_cast<std::size_t>(g)];
    for (std::size_t j = 0; j < row.size() && j < static_cast<std::size_t>(group.UsedCount()); ++j) {
      group.params[j].is_common_param = row[j];
    }
  }
}

bool SameTable(const CParamCatalogue& a, const CParamCatalogue& b) {
  return a.group_count == b.group_count && a.product == b.product && a.language == b.language &&
         a.groups == b.groups;
}



}  // namespace

std::string_view CommonMarksFileName() { return "dtuparam.ini"; }

MarkedCatalogue MarkCatalogueBytes(std::string_view bytes, FileVariant variant,
                                   const CommonParamMarks& marks) {
  MarkedCatalogue result{MarkWriteStatus::kUnchanged, std::string(bytes)};
  // What the file gives now, with the new marks: what it must give after the edit.
  auto expected = std::make_unique<CParamCatalogue>();
  if (!LoadCatalogueText(bytes, variant, *expected).loaded()) {
    result.status = MarkWriteStatus::kNotLoadable;
    return result;
  }
  PutMarks(*expected, marks);

  const CatalogueKeyMap& keys = expected->keys();
  const std::string_view base = keys.bytes();
  std::vector<Edit> edits;
  for (int g = 1; g < kGroupSlots; ++g) {
    const auto& row = marks[static_cast<std::size_t>(g)];
    for (std::size_t j = 0; j < row.size(); ++j) {
      const CatalogueKeyMap::Section section = keys.Locate(ParamSection(g, j));
      if (section.record < 0) continue;  // the file has no such parameter
      const std::string_view wanted = MarkText(row[j]);
      if (const std::optional<std::string_view> value = keys.Find(section, kMarkKey)) {
        if (*value == wanted) continue;
        edits.push_back(
            {static_cast<std::size_t>(value->data() - base.data()), value->size(), std::string(wanted)});
      } else if (std::optional<Edit> added =
                     AppendToSection(keys, section, std::string(kMarkKey) + "=" + std::string(wanted))) {
        edits.push_back(std::move(*added));
      }
    }
  }
  if (edits.empty()) return result;

  std::string edited = ApplyEdits(base, std::move(edits));
  auto reloaded = std::make_unique<CParamCatalogue>();
  if (!LoadCatalogueText(edited, variant, *reloaded).loaded() || !SameTable(*reloaded, *expected)) {
    result.status = MarkWriteStatus::kUnsafe;
    return result;
  }
  result.status = MarkWriteStatus::kWritten;
  result.bytes = std::move(edited);
  return result;
}

namespace {

// The catalogue file `path` with the marks applied; a file that cannot be
// read gives its status and no bytes.
MarkedCatalogue ReadAndMark(const std::string& path, FileVariant variant, const CommonParamMarks& marks) {
  std::string bytes;
  switch (ReadWholeFile(path, bytes)) {
    case FileReadStatus::kMissing:
      return {MarkWriteStatus::kFileMissing, {}};
    case FileReadStatus::kUnreadable:
      return {MarkWriteStatus::kUnreadable, {}};
    case FileReadStatus::kRead:
      break;
  }
  return MarkCatalogueBytes(bytes, variant, marks);
}

}  // namespace

MarkWriteStatus WriteMarksToCatalogueFile(const std::string& path, FileVariant variant,
                                          const CommonParamMarks& marks) {
  MarkedCatalogue marked = ReadAndMark(path, variant, marks);
  if (marked.status != MarkWriteStatus::kWritten) return marked.status;
  return WriteFileAtomically(path, marked.bytes) ? MarkWriteStatus::kWritten : MarkWriteStatus::kWriteFailed;
}

MarkWriteStatus CopyMarkedCatalogue(const std::string& source, const std::string& target, FileVariant variant,
                                    const CommonParamMarks& marks) {
  MarkedCatalogue marked = ReadAndMark(source, variant, marks);
  if (marked.status != MarkWriteStatus::kWritten && marked.status != MarkWriteStatus::kUnchanged) {
    return marked.status;
  }
  // The copy is made even when the marks are the shipped ones: it holds the
  // user's choice from now on.
  return WriteFileAtomically(target, marked.bytes) ? MarkWriteStatus::kWritten
                                                   : MarkWriteStatus::kWriteFailed;
}

MarkWriteStatus WriteMarksToProfile(const std::string& path, const CommonParamMarks& marks) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? MarkWriteStatus::kFileMissing : MarkWriteStatus::kUnreadable;
  }
  std::optional<ProfileFile> profile = ProfileFile::LoadForUpdate(path);
  if (!profile) return MarkWriteStatus::kUnreadable;
  const std::string before = profile->Text();
  for (int g = 1; g < kGroupSlots; ++g) {
    const auto& row = marks[static_cast<std::size_t>(g)];
    for (std::size_t j = 0; j < row.size(); ++j) profile->Set(ParamSection(g, j), kMarkKey, MarkText(row[j]));
  }
  if (profile->Text() == before) return MarkWriteStatus::kUnchanged;
  return profile->Save(path) ? MarkWriteStatus::kWritten : MarkWriteStatus::kWriteFailed;
}

CommonMarksWrite WriteCommonMarks(const std::string& folder, FileVariant variant,
                                  const CommonParamMarks& marks) {
  std::string profile_path = folder;
  if (!profile_path.empty() && profile_path.back() != '/') profile_path += '/';
  profile_path += CommonMarksFileName();
  CommonMarksWrite result;
  result.profile = WriteMarksToProfile(profile_path, marks);
  const std::string own = CataloguePath(folder, variant);
  const std::string source = CatalogueReadPath(folder, variant);
  result.catalogue = source == own ? WriteMarksToCatalogueFile(own, variant, marks)
                                   : CopyMarkedCatalogue(source, own, variant, marks);
  return result;
}

std::string CommonMarksNotKeptText(const CommonMarksWrite& result, FileVariant variant) {
  if (MarksKept(result.catalogue) || result.catalogue == MarkWriteStatus::kFileMissing) return {};
  return Format("常用配置参数未能保存到%s"_gbk, std::string(CatalogueFileName(variant)));
}

}  // namespace zt
