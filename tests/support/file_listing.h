// What a test looks at in a folder it made: file modes and a listing that
// shows whether anything below a folder was written.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace zt::test {

// The permission bits of `path`, 0 when it cannot be read.
mode_t ModeOf(const std::string& path);

// Every file under `folder` with its size and modification time, sorted.
std::vector<std::string> Listing(const std::string& folder);

}  // namespace zt::test
