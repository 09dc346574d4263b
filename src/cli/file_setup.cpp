#include "cli/file_setup.h"

#include <iostream>

#include "cli/console.h"
#include "paths/process_paths.h"

namespace zt::cli {

std::optional<int> SetUpFiles(Options& options) {
  const FileLocations files = LocateProcessFiles(options.settings_file, options.catalogue_dir);
  if (options.command == Command::kPaths) {
    std::cout << DescribeFileLocations(files);
    return kExitOk;
  }
  const std::string warning = ApplyFileLocations(files);
  if (!warning.empty()) PrintLogLine(warning);
  options.settings_file = files.settings.path;
  options.catalogue_dir = files.catalogue_folder;
  options.default_records_file = files.records.path;
  return std::nullopt;
}

}  // namespace zt::cli
