// Reading a whole file the same safe way everywhere: only a plain file is
// read (a FIFO, a device or a folder given as a file name is refused at once
// and never blocks), and a missing file is told apart from one that cannot
// be read.
#pragma once

#include <string>

namespace zt {

enum class FileReadStatus {
  kRead,
  kMissing,     // no such file (or a folder on the way is missing)
  kUnreadable,  // it exists, but cannot be opened or read, or is not a plain file
};

// Reads `path` into `bytes` (cleared first).
FileReadStatus ReadWholeFile(const std::string& path, std::string& bytes);

}  // namespace zt
