#include "support/terminal_harness.h"

#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "support/shell_modal.h"
#include "support/temp_dir.h"

namespace zt::shelltest {

TerminalHarness::TerminalHarness(std::string_view cmd_ini, bool open_port) {
  HarnessOptions options;
  options.port = peer.Path();
  harness_ = std::make_unique<FrameHarness>(std::move(options));
  old_cwd_ = std::filesystem::current_path().string();
  std::filesystem::current_path(harness_->Folder());
  if (!cmd_ini.empty()) test::WriteFileBytes(CmdIniPath(), cmd_ini);
  harness_->Show();
  if (open_port) frame().OnOpenPort();
  ShowTerminal();
}

TerminalHarness::~TerminalHarness() {
  harness_.reset();
  std::filesystem::current_path(old_cwd_);
}

ui::CViewSerial* TerminalHarness::view() { return qobject_cast<ui::CViewSerial*>(frame().CurrentPage()); }

void TerminalHarness::ShowTerminal() { frame().CommandAction(ui::kIdAtView)->trigger(); }

std::string TerminalHarness::CmdIniPath() const { return harness_->Folder() + "/cmd.ini"; }

QLineEdit* TerminalHarness::Input() { return Find<QLineEdit>("input_line"); }
QCheckBox* TerminalHarness::Box(const char* name) { return Find<QCheckBox>(name); }
QPushButton* TerminalHarness::Button(const char* name) { return Find<QPushButton>(name); }
QComboBox* TerminalHarness::List(const char* name) { return Find<QComboBox>(name); }

bool TerminalHarness::WaitPeerReceived(std::string_view bytes) {
  return WaitFor([&] { return peer.Received() == bytes; }, 5000);
}

int ThreadCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
  return count;
}

}  // namespace zt::shelltest
