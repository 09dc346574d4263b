// Keeping the common marks in the files, so that the operator's choice of
// common parameters survives a restart.
//
// Every parameter of groups 1..29 gets the key "is_common_param" ("1" or "0")
// in its section "group%d_parm%d" (both numbers from 1):
//  - in "dtuparam.ini" beside the program, when that file exists, through
//    ProfileFile as any other INI file;
//  - in the catalogue file that was loaded ("dtuparam_s2.ini" or
//    "dtuparam_s3.ini"), or, when that was the shipped file of an installed
//    tool, in the user's copy made from it (the shipped file stays as it
//    is). That file has line rules of its own (no comments, a "[" anywhere
//    makes a header, 298-byte reads), so it is edited byte for
//    byte: only the value of each "is_common_param" entry the loader reads
//    changes, a section without one gets "is_common_param=<mark>" after its
//    last entry, and every other byte stays. Before the file is replaced the
//    edited bytes are loaded and must give the same catalogue with the new
//    marks; a file that does not load as it is, or would not after the edit,
//    is left alone.
// Files are replaced atomically (a temporary file in the same folder renamed
// over the old one), keeping their permissions; a file that already holds the
// marks is not rewritten.
//
// Thread safety: no shared state of its own; call outside the catalogue lock (the marks
// are a copy, see CollectCommonMarks).
#pragma once

#include <string>
#include <string_view>

#include "params/common_param_list.h"
#include "settings/process_flags.h"

namespace zt {

// "dtuparam.ini": the common marks' own file beside the program.
std::string_view CommonMarksFileName();

enum class MarkWriteStatus {
  kWritten,      // the file now holds the marks
  kUnchanged,    // it held them already; not rewritten
  kFileMissing,  // no such file; nothing written
  kUnreadable,   // the file is there but cannot be read
  kNotLoadable,  // the catalogue file does not load as it is; left alone
  kUnsafe,       // the edit would change more than the marks; left alone
  kWriteFailed,  // the new file could not be written; the old one stays
};

// True when the file holds the marks now.
inline bool MarksKept(MarkWriteStatus status) {
  return status == MarkWriteStatus::kWritten || status == MarkWriteStatus::kUnchanged;
}

struct MarkedCatalogue {
  MarkWriteStatus status = MarkWriteStatus::kUnchanged;  // kWritten when `bytes` differ
  std::string bytes;  // the edited file (the input when nothing changes or on refusal)
};

// The bytes of a catalogue file (loaded as `variant` reads it) with the marks
// written in. Status kWritten, kUnchanged, kNotLoadable or kUnsafe.
MarkedCatalogue MarkCatalogueBytes(std::string_view bytes, FileVariant variant,
                                   const CommonParamMarks& marks);

// Edits the catalogue file at `path` in place (see above).
MarkWriteStatus WriteMarksToCatalogueFile(const std::string& path, FileVariant variant,
                                          const CommonParamMarks& marks);

// The catalogue file at `source` (the shipped one) with the marks written in,
// as a new file at `target` (the user's copy); `source` is only read.
MarkWriteStatus CopyMarkedCatalogue(const std::string& source, const std::string& target, FileVariant variant,
                                    const CommonParamMarks& marks);

// Writes the marks into the INI file at `path` when it exists (kFileMissing
// otherwise: the file is not created).
MarkWriteStatus WriteMarksToProfile(const std::string& path, const CommonParamMarks& marks);

struct CommonMarksWrite {
  MarkWriteStatus profile = MarkWriteStatus::kFileMissing;    // folder + "dtuparam.ini"
  MarkWriteStatus catalogue = MarkWriteStatus::kFileMissing;  // CataloguePath(folder, variant)
};

// Both files in `folder`. A catalogue the folder has no copy of, read from
// the shipped folder (catalogue_source.h), gets its copy there.
CommonMarksWrite WriteCommonMarks(const std::string& folder, FileVariant variant,
                                  const CommonParamMarks& marks);

// GBK: what the operator is told when the loaded catalogue file did not take
// the marks (the choice holds until the next load); empty when it did, or
// when there is no such file.
std::string CommonMarksNotKeptText(const CommonMarksWrite& result, FileVariant variant);

}  // namespace zt
