#include "ui/shell/app_files.h"

#include "paths/process_paths.h"
#include "ui/shell/app_options.h"
#include "zereltool/version.h"

namespace zt::ui {

std::optional<InfoAnswer> AnswerWithoutWindow(const std::vector<std::string>& args) {
  const AppOptionsResult parsed = ParseAppOptions(args);
  const AppOptions& o = parsed.options;
  if (!o.version && !o.paths) return std::nullopt;
  if (!parsed.error.empty()) {
    return InfoAnswer{"zereltool: " + parsed.error + "\n(zereltool --help shows the usage)\n", 2};
  }
  if (o.version) return InfoAnswer{std::string("zereltool ") + kVersion + "\n", 0};
  return InfoAnswer{DescribeFileLocations(LocateProcessFiles(o.settings_file, o.catalogue_dir)), 0};
}

std::string UseFileLocations(const FileLocations& files, FrameOptions& frame) {
  frame.settings_file = files.settings.path;
  frame.catalogue_folder = files.catalogue_folder;
  frame.quick_send_file = files.quick_send.path;
  frame.terminal_logs = files.data_folder.path + "logs/";
  frame.records_file = files.records.path;
  return ApplyFileLocations(files);
}

}  // namespace zt::ui
