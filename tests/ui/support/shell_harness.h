// The real main window for a test, with its own process-wide objects (flags,
// settings, catalogue, command states), a temporary folder for tool_set.ini
// and the query's work file, and the exit command captured instead of ending
// the test program.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "params/shared_catalogue.h"
#include "settings/command_state_table.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "support/temp_dir.h"
#include "ui/shell/main_frame.h"

namespace zt::shelltest {

struct HarnessOptions {
  std::optional<std::string> port;  // --port
  ui::ViewFactory view_factory;     // empty: the tool's pages
  std::string settings_text;        // written to tool_set.ini before the frame starts
  std::string catalogue_folder;     // empty: the source tree's data folder
};

class FrameHarness {
 public:
  explicit FrameHarness(HarnessOptions options = {});
  ~FrameHarness();

  // Shows the window and waits until it is exposed.
  void Show();

  ui::CMainFrame& frame() { return *frame_; }
  // Whether the command's action is enabled now.
  bool Enabled(int command_id) const;
  // The run log's lines (GBK).
  const std::vector<std::string>& LogLines() const;
  // True when some line of the run log equals `gbk`.
  bool LogHas(std::string_view gbk) const;
  std::string SettingsPath() const { return dir_.File("tool_set.ini"); }
  const std::string& Folder() const { return dir_.path(); }

  ProcessFlags flags;
  ToolSettingsStore settings;
  SharedCatalogue catalogue;
  CommandStateTable commands;
  std::optional<int> exit_status;

 private:
  test::TempDir dir_;
  std::unique_ptr<ui::CMainFrame> frame_;
};

}  // namespace zt::shelltest
