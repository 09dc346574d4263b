// Configuration files made from the shipped catalogue with the values of a
// simulated unit's profile, as the tool would export them after reading that
// unit: a unit configured from them compares equal.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "settings/process_flags.h"

namespace zt::test {

// Writes the file for `mode` at `path` (".ini" appended as the export does)
// and returns its path; empty when it could not be written. `values` replaces
// the value of the parameters with that keyword (in every group holding it).
std::string MakeConfigFile(const std::string& path, FileVariant variant, std::int32_t mode,
                           const std::string& profile_name,
                           const std::map<std::string, std::string>& values = {});

}  // namespace zt::test
