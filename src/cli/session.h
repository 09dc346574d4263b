// One run of zereltool-cli against a DTU: the settings, the port opened as
// the window opens it, and the configuration worker with the reports the
// frame would handle (the common group rebuilt on READY, the selector
// following the mode the DTU reports, with the view's follow-up query).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/console.h"
#include "params/shared_catalogue.h"
#include "serial/serial_port.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "worker/config_reports.h"
#include "worker/config_thread.h"

namespace zt::cli {

class Session final : public IConfigReports, public IPortEvents {
 public:
  explicit Session(const Options& options);
  ~Session() override;

  // Reads the settings, applies the command line, opens the port and, unless
  // told otherwise, starts the worker (the production test does without it).
  // False (after printing why) when the port will not open. The production
  // test reports the port's removal and return in its own lines, so it asks
  // for `port_lines` off.
  bool Open(bool start_worker = true, bool port_lines = true);
  // Starts each line the session prints (several ports at once: "[ttyUSB3] ").
  void SetLinePrefix(const std::string& utf8_prefix) {
    prefix_ = utf8_prefix;
    messages_.SetPrefix(utf8_prefix);
  }

  // Posts a request and waits until the worker has run it and whatever it
  // queued in turn (a follow-up query). True when every one of them succeeded.
  bool Run(const ConfigRequest& request);

  // The channel mode of the selector now.
  ChannelMode Mode() const;
  bool s3() const { return IsS3(flags_); }
  SharedCatalogue& catalogue() { return catalogue_; }
  ToolSettingsStore& settings() { return settings_; }
  ProcessFlags& flags() { return flags_; }
  CSerialPort& port() { return *port_; }
  IMessageBox& messages() { return messages_; }
  ICatalogueErrors& catalogue_errors() { return catalogue_errors_; }
  const std::string& catalogue_folder() const { return catalogue_folder_; }

  // IConfigReports
  void Log(std::string_view gbk_line) override;
  void Done(int value) override;
  void Ready() override;
  void ModeIndex(int index) override;
  void DtuConnected() override;
  void CommandFinished(unsigned message, bool succeeded) override;

  // IPortEvents: the device's removal and return, as run-log lines.
  void PortRemoved(const std::string& port_name) override;
  void PortReturned(const std::string& port_name) override;

 private:
  bool OpenPort();

  Options options_;
  ProcessFlags flags_;
  ToolSettingsStore settings_;
  SharedCatalogue catalogue_;
  ConsoleMessageBox messages_;
  ConsoleCatalogueErrors catalogue_errors_;
  std::string catalogue_folder_;
  std::unique_ptr<CSerialPort> port_;
  std::unique_ptr<CConfigThread> worker_;
  std::atomic<int> selector_{0};
  std::atomic<bool> all_succeeded_{true};
  bool port_lines_ = true;
  std::string prefix_;
};

}  // namespace zt::cli
