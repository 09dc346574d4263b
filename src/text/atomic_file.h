// Replacing a file so that it is never left half-written: the bytes go to a
// temporary file in the same folder, which is then renamed over the old one.
#pragma once

#include <string>
#include <string_view>

namespace zt {

enum class AtomicWriteResult {
  kWritten,
  kNotCreated,  // no temporary file could be made beside the target
  kNotWritten,  // the temporary file could not be written whole or renamed
};

// Writes `bytes` to `path` atomically. A file that is replaced keeps its
// permissions; a new one gets the usual 0666 less the umask. A path naming a
// device, a FIFO, a socket or a folder (or a link to one) is left as it is:
// kNotWritten. On failure the old file (if any) is unchanged and no
// temporary file is left behind.
// Temporaries of this user that an earlier writer left in the folder (it was
// killed between creating and renaming one) are removed once they are more
// than a minute old.
AtomicWriteResult ReplaceFileAtomically(const std::string& path, std::string_view bytes);

// The same, true when the file was written.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// The folder that holds the user's own files (the installed layout's
// ~/.config/zereltool/), "" for none. A file written into it is private: the
// folder, and any missing folder above it, is created with mode 0700 by the
// first write, and a new file gets mode 0600 (a replaced one keeps its own).
// Set at start; any thread may write meanwhile.
void SetPrivateFolder(const std::string& folder);

}  // namespace zt
