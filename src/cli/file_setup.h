// Where zereltool-cli's files live (paths/file_locations.h): the command
// `paths` prints it; every other command puts the locations in force and
// works with their settings file and catalogue folder.
#pragma once

#include <optional>

#include "cli/cli_options.h"

namespace zt::cli {

// For `paths`: prints the locations and returns the exit status. Otherwise
// puts them in force, prints the settings file's warning as a run-log line
// when there is one, fills in the settings file and the catalogue folder of
// `options` and returns nothing.
std::optional<int> SetUpFiles(Options& options);

}  // namespace zt::cli
