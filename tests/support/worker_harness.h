// The configuration worker on a real port, for tests: a port, the worker
// thread and a recorder of its reports. The peer is dtusim (or a PtyPeer):
// the test starts it and hands over the tty to open.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/message_box.h"
#include "params/catalogue_loader.h"
#include "params/shared_catalogue.h"
#include "serial/serial_port.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "support/temp_dir.h"
#include "worker/config_reports.h"
#include "worker/config_thread.h"

namespace zt::test {

// Every report as one string, in order: "LOG:<text>", "DONE:<n>", "READY",
// "MODE:<index>", "CONNECTED", "FINISHED:<message>:<0|1>".
class RecordingReports : public IConfigReports {
 public:
  void Log(std::string_view line) override {
    if (on_log) on_log(line);
    Add("LOG:" + std::string(line));
  }
  void Done(int value) override { Add("DONE:" + std::to_string(value)); }
  void Ready() override { Add("READY"); }
  void ModeIndex(int index) override;
  void DtuConnected() override { Add("CONNECTED"); }
  void CommandFinished(unsigned message, bool ok) override {
    Add("FINISHED:" + std::to_string(message) + ":" + (ok ? "1" : "0"));
  }
  // Progress is kept apart from the events: the texts of the reports, in order.
  void Progress(const WorkerProgress& progress) override;
  std::vector<std::string> ProgressTexts() const;

  std::vector<std::string> Events() const;
  // Only the run-log lines, without their "LOG:" prefix.
  std::vector<std::string> Lines() const;
  void Clear();
  // Called for WM_CFG_MODE_INDEX before it is recorded (the frame's reaction).
  std::function<void(int)> on_mode_index;
  // Called for every run-log line before it is recorded (on the worker's thread).
  std::function<void(std::string_view)> on_log;

 private:
  void Add(std::string event);
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
  std::vector<std::string> progress_;
};

class RecordingMessageBox : public IMessageBox {
 public:
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon) override {
    std::lock_guard lock(mutex_);
    shown.push_back(std::string(caption) + "|" + std::string(text));
  }
  std::vector<std::string> Shown() const {
    std::lock_guard lock(mutex_);
    return shown;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> shown;
};

class RecordingCatalogueErrors : public ICatalogueErrors {
 public:
  void ShowCatalogueMessage(std::string_view gbk) override { Add(gbk); }
  void CatalogueFatal(std::string_view gbk) override { Add(gbk); }
  void CatalogueFileError(std::string_view gbk) override { Add(gbk); }
  std::vector<std::string> Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }

 private:
  void Add(std::string_view text) {
    std::lock_guard lock(mutex_);
    messages_.emplace_back(text);
  }
  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
};

class WorkerHarness {
 public:
  WorkerHarness();
  ~WorkerHarness();

  // Points the settings at `tty` and opens the port; false when it will not open.
  bool OpenPort(const std::string& tty);
  // Starts the worker (the port may stay closed).
  void StartWorker();
  // Posts a request and waits until the worker is idle again.
  void Run(const ConfigRequest& request, std::chrono::seconds timeout = std::chrono::seconds(120));

  ProcessFlags flags;
  ToolSettingsStore settings;
  SharedCatalogue catalogue;
  RecordingReports reports;
  RecordingMessageBox messages;
  RecordingCatalogueErrors catalogue_errors;
  TempDir dir;
  std::string work_folder = dir.path();  // where the query makes its private folder
  std::unique_ptr<CSerialPort> port;
  std::unique_ptr<CConfigThread> worker;
};

// A value of the catalogue: group by name, parameter by short name.
std::string CatalogueValue(const SharedCatalogue& catalogue, std::string_view group_name,
                           std::string_view short_name);

}  // namespace zt::test
