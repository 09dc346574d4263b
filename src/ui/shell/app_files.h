// Where the window's files live (paths/file_locations.h), and the options
// that are answered without a window.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "paths/file_locations.h"
#include "ui/shell/main_frame.h"

namespace zt::ui {

struct InfoAnswer {
  std::string text;  // for standard output when status is 0, else standard error
  int status = 0;
};

// --version and --paths (with --settings and --catalogue-dir), answered
// before the application object exists, so that no display is needed.
// Nothing when `args` asks for neither.
std::optional<InfoAnswer> AnswerWithoutWindow(const std::vector<std::string>& args);

// Puts `files` in force for the process (paths/process_paths.h) and into
// the frame's options: the settings file, the catalogue folder and cmd.ini.
// Returns the run-log line that warns of a settings file others may read,
// or "".
std::string UseFileLocations(const FileLocations& files, FrameOptions& frame);

}  // namespace zt::ui
