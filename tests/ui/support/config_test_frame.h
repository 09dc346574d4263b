// A stand-in for the main frame in the parameter view's tests: it records
// what the view posts to the worker, logs and shows, and hands out its own
// catalogue, flags and settings. The catalogue folder is the test program's
// folder, where the build puts the shipped catalogue files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/message_box.h"
#include "params/catalogue_loader.h"
#include "params/shared_catalogue.h"
#include "serial/serial_port.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "ui/shell/frame_context.h"

namespace zt::ui::test {

struct ShownMessage {
  std::string text;     // GBK
  std::string caption;  // GBK
  MessageIcon icon = MessageIcon::kNone;
};

class RecordingMessageBox final : public IMessageBox {
 public:
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
    shown.push_back({std::string(text), std::string(caption), icon});
  }
  std::vector<ShownMessage> shown;
};

class RecordingCatalogueErrors final : public ICatalogueErrors {
 public:
  void ShowCatalogueMessage(std::string_view gbk) override { messages.emplace_back(gbk); }
  void CatalogueFatal(std::string_view gbk) override { fatal.emplace_back(gbk); }
  void CatalogueFileError(std::string_view gbk) override { file_errors.emplace_back(gbk); }
  std::vector<std::string> messages;
  std::vector<std::string> fatal;
  std::vector<std::string> file_errors;
};

class ConfigTestFrame final : public IFrameContext {
 public:
  ConfigTestFrame();
  ~ConfigTestFrame() override;

  int SelectorIndex() const override { return selector_index; }
  bool IsConnected() const override { return connected; }
  bool IsAtMode() const override { return at_mode; }
  void PostToWorker(const ConfigRequest& request) override { posted.push_back(request); }
  void AddLogLine(std::string_view gbk) override { log.emplace_back(gbk); }
  void RefreshParameterCommands() override { ++refreshes; }

  SharedCatalogue& Catalogue() override { return catalogue; }
  ProcessFlags& Flags() override { return flags; }
  CSerialPort& Port() override { return *port; }
  ToolSettingsStore& Settings() override { return settings; }
  IMessageBox& Messages() override { return messages; }
  ICatalogueErrors& CatalogueErrors() override { return catalogue_errors; }
  const std::string& CatalogueFolder() const override { return folder; }
  CommandStateTable& Commands() override { return commands; }

  int selector_index = 0;
  bool connected = false;
  bool at_mode = false;
  int refreshes = 0;
  std::vector<ConfigRequest> posted;
  std::vector<std::string> log;

  SharedCatalogue catalogue;
  ProcessFlags flags;
  ToolSettingsStore settings;
  RecordingMessageBox messages;
  RecordingCatalogueErrors catalogue_errors;
  CommandStateTable commands;
  std::unique_ptr<CSerialPort> port;
  std::string folder;
};

}  // namespace zt::ui::test
