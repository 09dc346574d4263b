// The main window on a scripted pseudo-terminal peer with the AT terminal
// shown: the port is open, the current folder is the harness's temporary
// folder (where the page keeps cmd.ini) until the harness is gone.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "support/pty_peer.h"
#include "support/shell_harness.h"
#include "ui/terminal/view_serial.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace zt::shelltest {

class TerminalHarness {
 public:
  // `cmd_ini` (when not empty) is written as cmd.ini before the page opens.
  explicit TerminalHarness(std::string_view cmd_ini = {}, bool open_port = true);
  ~TerminalHarness();

  FrameHarness& h() { return *harness_; }
  ui::CMainFrame& frame() { return harness_->frame(); }
  // The AT terminal page shown now (nullptr when another page is shown).
  ui::CViewSerial* view();
  // Chooses the AT view through its menu command.
  void ShowTerminal();
  std::string CmdIniPath() const;

  // The page's widgets by object name.
  template <typename W>
  W* Find(const char* name) {
    return view() != nullptr ? view()->findChild<W*>(QString::fromLatin1(name)) : nullptr;
  }
  QLineEdit* Input();
  QCheckBox* Box(const char* name);
  QPushButton* Button(const char* name);
  QComboBox* List(const char* name);

  // Processes events until the peer has received `bytes` (exactly, since the
  // last ClearReceived) or 5 s pass.
  bool WaitPeerReceived(std::string_view bytes);

  test::PtyPeer peer;

 private:
  std::unique_ptr<FrameHarness> harness_;
  std::string old_cwd_;
};

// The number of threads of this process now.
int ThreadCount();

}  // namespace zt::shelltest
