// The query's work file chlparm.dat: the channel part of a later-generation
// reply goes out to it and is read back line by line.
//
// The file is private to one query: it is created (never opened) in a folder
// of its own that only this user can enter, made afresh for the query and
// removed with the file when the round trip ends. Nothing planted under the
// name elsewhere (a link, a FIFO, a file of another user) is ever opened, and
// no open can block.
//
// Thread safety: any thread; each call works in its own folder.
#pragma once

#include <string>
#include <string_view>

namespace zt {

enum class WorkFileResult {
  kOk,
  kCannotCreate,  // the folder or the file could not be made, or not written whole
  kCannotReopen,  // the file written could not be opened again or read
};

// The folder the private folders are made in when the caller names none:
// $TMPDIR when it is set, else /tmp.
std::string DefaultWorkParent();

// Writes `text` to chlparm.dat in a fresh private folder under `parent`
// (empty: DefaultWorkParent()), reads it back into `back` and removes the
// file and its folder, whatever the result.
WorkFileResult RoundTripWorkFile(const std::string& parent, std::string_view text, std::string& back);

}  // namespace zt
