#include "support/shell_recording_page.h"

#include <QThread>

namespace zt::shelltest {

int RecordingPage::alive = 0;

RecordingPage::RecordingPage(int view_id, ui::IFrameContext& frame, QWidget* parent)
    : CViewBase(frame, parent), view_id_(view_id) {
  setObjectName(QStringLiteral("recording_page"));
  ++alive;
}

RecordingPage::~RecordingPage() { --alive; }

void RecordingPage::InitialUpdate() {
  ++calls["initial_update"];
  if (view_id_ == ui::kViewConfig) frame().RefreshParameterCommands();
}

void RecordingPage::Note(const char* call) {
  ++calls[call];
  if (QThread::currentThread() != thread()) ++calls["off_ui_thread"];
}

int RecordingPage::Count(const std::string& call) const {
  const auto found = calls.find(call);
  return found == calls.end() ? 0 : found->second;
}

ui::ViewFactory RecordingPageFactory() {
  return [](int view_id, ui::IFrameContext& frame, QWidget* parent) -> ui::CViewBase* {
    return new RecordingPage(view_id, frame, parent);
  };
}

}  // namespace zt::shelltest
