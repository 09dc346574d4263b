// What a view may ask of the main frame. The frame implements it; views get
// it at construction and keep no other pointer into the frame. Everything
// here runs on the user interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "params/channel_modes.h"
#include "settings/command_state_table.h"
#include "common/program_path.h"
#include "terminal/quick_send_file.h"
#include "terminal/terminal_log.h"
#include "worker/config_request.h"
#include "worker/front_end_rules.h"

namespace zt {
class CSerialPort;
class SharedCatalogue;
class ToolSettingsStore;
struct ProcessFlags;
class IMessageBox;
class ICatalogueErrors;
}  // namespace zt

namespace zt::ui {

class IFrameContext {
 public:
  virtual ~IFrameContext() = default;

  // The channel-mode selector's index now (0..3; -1 for no selection).
  virtual int SelectorIndex() const = 0;
  // The channel mode of the selector (no selection counts as SIN).
  ChannelMode CurrentMode() const { return ModeFromSelector(SelectorIndex()); }
  // The frame's connected flag: a DTU answered since the port was opened.
  virtual bool IsConnected() const = 0;
  // The AT mode flag: the AT view was chosen last.
  virtual bool IsAtMode() const = 0;

  // Posts a request to the configuration worker (never waits).
  virtual void PostToWorker(const ConfigRequest& request) = 0;
  // Posts the restore of the defaults in `mode` and the query after it.
  void PostRestoreDefaults(ChannelMode mode) {
    for (const ConfigRequest& request : RestoreDefaultsThenQuery(mode)) PostToWorker(request);
  }
  // Adds one line (GBK) to the run log.
  virtual void AddLogLine(std::string_view gbk) = 0;
  // The parameter view's refresh of the parameter commands' states, asked
  // for at the end of its start-up.
  virtual void RefreshParameterCommands() = 0;

  virtual SharedCatalogue& Catalogue() = 0;
  virtual ProcessFlags& Flags() = 0;
  virtual CSerialPort& Port() = 0;
  virtual ToolSettingsStore& Settings() = 0;
  virtual IMessageBox& Messages() = 0;
  virtual ICatalogueErrors& CatalogueErrors() = 0;
  // Where the catalogue files lie (beside the program unless told otherwise).
  virtual const std::string& CatalogueFolder() const = 0;
  // The quick-send panel's cmd.ini (in the current folder unless told otherwise).
  virtual std::string QuickSendFile() const { return std::string(kQuickSendFile); }
  // The AT terminal's log folder (logs/ of the tool's data folder).
  virtual std::string TerminalLogs() const { return TerminalLogFolder(); }
  // The station's production records file (records.sqlite3 of the data
  // folder); "" keeps no records.
  virtual std::string RecordsFile() const { return {}; }
  // The command states the frame works with (the process-wide table unless
  // the frame was given its own).
  virtual CommandStateTable& Commands() { return GlobalCommandStates(); }

  // A production test run started or ended: the worker's commands are off
  // while it runs (the frame also turns its menu, toolbar and channel-mode
  // selector off and on again).
  virtual void TestRunChanged(bool running) {
    if (running) {
      Commands().OnTestRunStarted();
    } else {
      Commands().OnTestRunEnded();
    }
  }
};

// A file of the AT terminal's that lies beside its cmd.ini (history, sequences).
inline std::string BesideQuickSendFile(const IFrameContext& frame, std::string_view name) {
  return DirectoryPart(frame.QuickSendFile()) + std::string(name);
}

}  // namespace zt::ui
