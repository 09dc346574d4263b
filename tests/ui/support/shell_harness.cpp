#include "support/shell_harness.h"

#include <QAction>
#include <QTest>
#include <algorithm>

#include "ui/bars/log_list_box.h"

namespace zt::shelltest {

FrameHarness::FrameHarness(HarnessOptions options) {
  if (!options.settings_text.empty()) test::WriteFileBytes(SettingsPath(), options.settings_text);
  ui::FrameOptions frame_options;
  frame_options.port_override = options.port;
  frame_options.catalogue_folder =
      options.catalogue_folder.empty() ? std::string(ZT_SOURCE_DATA_DIR) + "/" : options.catalogue_folder;
  frame_options.settings_file = SettingsPath();
  frame_options.work_folder = dir_.path();
  // The AT page keeps cmd.ini and its neighbours here, not in the current folder.
  frame_options.quick_send_file = dir_.path() + "/cmd.ini";
  frame_options.view_factory = std::move(options.view_factory);
  frame_ = std::make_unique<ui::CMainFrame>(ui::FrameServices{catalogue, flags, settings, commands},
                                            std::move(frame_options));
  frame_->SetExitHandler([this](int status) { exit_status = status; });
}

FrameHarness::~FrameHarness() {
  frame_->Shutdown();
  frame_.reset();
}

void FrameHarness::Show() {
  frame_->show();
  (void)QTest::qWaitForWindowExposed(frame_.get());
}

bool FrameHarness::Enabled(int command_id) const {
  const QAction* action = frame_->CommandAction(command_id);
  return action != nullptr && action->isEnabled();
}

const std::vector<std::string>& FrameHarness::LogLines() const { return frame_->RunLog()->Lines(); }

bool FrameHarness::LogHas(std::string_view gbk) const {
  const auto& lines = LogLines();
  return std::find(lines.begin(), lines.end(), gbk) != lines.end();
}

}  // namespace zt::shelltest
