#include "support/worker_harness.h"

#include <stdexcept>

#include "common/program_path.h"

namespace zt::test {

void RecordingReports::ModeIndex(int index) {
  if (on_mode_index) on_mode_index(index);
  Add("MODE:" + std::to_string(index));
}

std::vector<std::string> RecordingReports::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<std::string> RecordingReports::Lines() const {
  std::vector<std::string> lines;
  for (const std::string& e : Events()) {
    if (e.rfind("LOG:", 0) == 0) lines.push_back(e.substr(4));
  }
  return lines;
}

void RecordingReports::Clear() {
  std::lock_guard lock(mutex_);
  events_.clear();
  progress_.clear();
}

void RecordingReports::Progress(const WorkerProgress& progress) {
  std::lock_guard lock(mutex_);
  progress_.push_back(WorkerProgressText(progress));
}

std::vector<std::string> RecordingReports::ProgressTexts() const {
  std::lock_guard lock(mutex_);
  return progress_;
}

void RecordingReports::Add(std::string event) {
  std::lock_guard lock(mutex_);
  events_.push_back(std::move(event));
}

WorkerHarness::WorkerHarness() {
  ResetToolSettings(settings, dir.File("tool_set.ini"));
  port = std::make_unique<CSerialPort>(settings, flags);
}

WorkerHarness::~WorkerHarness() {
  if (worker) worker->Shutdown();
  port->Close();
}

bool WorkerHarness::OpenPort(const std::string& tty) {
  settings.Update([&](ToolSettings& s) {
    s.port_name = tty;
    s.baud = 115200;
  });
  return port->Open().ok();
}

void WorkerHarness::StartWorker() {
  worker = std::make_unique<CConfigThread>(WorkerEnvironment{*port, catalogue, settings, flags, reports,
                                                             catalogue_errors, ProgramDirectory(),
                                                             work_folder});
  worker->Start();
}

void WorkerHarness::Run(const ConfigRequest& request, std::chrono::seconds timeout) {
  worker->Post(request);
  if (!worker->WaitIdle(timeout)) throw std::runtime_error("the worker did not finish in time");
}

std::string CatalogueValue(const SharedCatalogue& catalogue, std::string_view group_name,
                           std::string_view short_name) {
  return catalogue.Read([&](const CParamCatalogue& c) -> std::string {
    const int g = c.GroupIndexByName(group_name);
    const ParamGroup* group = c.Group(g);
    if (group == nullptr) return "<no group>";
    for (int i = 0; i < group->UsedCount(); ++i) {
      if (group->params[static_cast<std::size_t>(i)].short_name == short_name) {
        return group->params[static_cast<std::size_t>(i)].value;
      }
    }
    return "<no parameter>";
  });
}

}  // namespace zt::test
