#include "cli/session.h"

#include "common/program_path.h"
#include "params/channel_modes.h"
#include "serial/port_texts.h"
#include "worker/channel_work_file.h"
#include "worker/front_end_rules.h"

namespace zt::cli {

Session::Session(const Options& options) : options_(options), selector_(options.mode_selector) {
  catalogue_folder_ = options.catalogue_dir.value_or(ProgramDirectory());
}

Session::~Session() {
  if (worker_) worker_->Shutdown();
  if (port_) {
    port_->SetEvents(nullptr);
    port_->Close();
  }
}

bool Session::Open(bool start_worker, bool port_lines) {
  port_lines_ = port_lines;
  ResetToolSettings(settings_);
  if (options_.settings_file) {
    ToolSettings s = settings_.Get();
    s.settings_path = *options_.settings_file;
    settings_.Set(s);
  }
  ReadToolSettings(settings_);
  settings_.Update([&](ToolSettings& s) {
    if (options_.port) s.port_name = *options_.port;
    if (options_.baud) s.baud = *options_.baud;
    if (options_.password) s.password = *options_.password;
  });
  port_ = std::make_unique<CSerialPort>(settings_, flags_);
  if (!OpenPort()) return false;
  catalogue_errors_.SetBeforeExit([this] { port_->Close(); });
  if (!start_worker) return true;
  worker_ = std::make_unique<CConfigThread>(WorkerEnvironment{*port_, catalogue_, settings_, flags_, *this,
                                                              catalogue_errors_, catalogue_folder_,
                                                              DefaultWorkParent()});
  worker_->Start();
  return true;
}

bool Session::Run(const ConfigRequest& request) {
  all_succeeded_.store(true);
  worker_->Post(request);
  while (!worker_->WaitIdle(std::chrono::seconds(1))) {
  }
  return all_succeeded_.load();
}

// The port's refusal goes to standard error as the window's message box
// would say it; the open's notices are run-log lines.
bool Session::OpenPort() {
  StoreDefaultPortNameIfEmpty(settings_);
  port_->SetEvents(this);
  const PortResult opened = port_->Open();
  if (!opened) {
    messages_.ShowMessage(OpenFailureText(opened), PortCaptionText(), MessageIcon::kError);
    return false;
  }
  for (const std::string& notice : opened.notices) PrintLogLine(notice, prefix_);
  return true;
}

void Session::PortRemoved(const std::string& port_name) {
  if (port_lines_) PrintLogLine(DeviceRemovedText(port_name), prefix_);
}

void Session::PortReturned(const std::string& port_name) {
  if (port_lines_) PrintLogLine(DeviceReturnedText(port_name), prefix_);
}

ChannelMode Session::Mode() const { return ModeFromSelector(selector_.load()); }

void Session::Log(std::string_view gbk_line) { PrintLogLine(gbk_line, prefix_); }

void Session::Done(int) {}

void Session::Ready() { RebuildAfterConnect(catalogue_); }

void Session::ModeIndex(int index) {
  const std::optional<QueryRequest> query = FollowReportedMode(selector_.load(), index);
  if (!query) return;
  selector_.store(index);
  worker_->Post(*query);
}

void Session::DtuConnected() {}

void Session::CommandFinished(unsigned, bool succeeded) {
  if (!succeeded) all_succeeded_.store(false);
}

}  // namespace zt::cli
