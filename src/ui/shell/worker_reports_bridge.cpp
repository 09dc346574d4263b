#include "ui/shell/worker_reports_bridge.h"

#include "ui/shell/ui_thread.h"

namespace zt::ui {

void WorkerReportsBridge::Log(std::string_view gbk_line) {
  const std::string line(gbk_line);
  RunOnUiThread([&] { ui_side_.Log(line); });
}

void WorkerReportsBridge::Done(int value) {
  RunOnUiThread([&] { ui_side_.Done(value); });
}

void WorkerReportsBridge::Ready() {
  RunOnUiThread([&] { ui_side_.Ready(); });
}

void WorkerReportsBridge::ModeIndex(int index) {
  RunOnUiThread([&] { ui_side_.ModeIndex(index); });
}

void WorkerReportsBridge::DtuConnected() {
  RunOnUiThread([&] { ui_side_.DtuConnected(); });
}

void WorkerReportsBridge::CommandFinished(unsigned message, bool succeeded) {
  RunOnUiThread([&] { ui_side_.CommandFinished(message, succeeded); });
}

void WorkerReportsBridge::Progress(const WorkerProgress& progress) {
  RunOnUiThread([&] { ui_side_.Progress(progress); });
}

}  // namespace zt::ui
