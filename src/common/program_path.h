// Where the running program lies: tool_set.ini and the catalogue files are
// looked for beside it.
#pragma once

#include <string>

namespace zt {

// Full path of the running executable (from /proc/self/exe); empty when unknown.
std::string ProgramPath();

// Folder of the running executable, ending in "/"; "./" when unknown.
std::string ProgramDirectory();

// The text of `path` up to and including its last "/", or "" when it has none.
std::string DirectoryPart(const std::string& path);

}  // namespace zt
