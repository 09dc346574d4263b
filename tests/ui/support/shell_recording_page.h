// A page for the shell's tests: it records what the frame tells it and asks
// for the parameter commands' refresh at the end of its start-up, as the
// parameter view does. Test code only; the tool's pages come from CreateView.
#pragma once

#include <map>
#include <string>

#include "ui/shell/view_base.h"
#include "ui/shell/view_factory.h"

namespace zt::shelltest {

class RecordingPage : public ui::CViewBase {
  Q_OBJECT

 public:
  RecordingPage(int view_id, ui::IFrameContext& frame, QWidget* parent);
  ~RecordingPage() override;

  int ViewId() const override { return view_id_; }
  void InitialUpdate() override;
  void OnQueryDone() override { Note("query_done"); }
  void OnConnectReady() override { Note("connect_ready"); }
  void OnModeIndexChanged(const QueryRequest&) override { Note("mode_index_changed"); }
  void OnDtuConnected() override { Note("dtu_connected"); }
  void OnModeSelectorChanged() override { Note("mode_selector_changed"); }
  void SelectAllCommand() override { Note("select_all"); }
  void ImportCommand() override { Note("import"); }
  void ExportCommand() override { Note("export"); }
  bool CanLeave() override { return can_leave; }

  int Count(const std::string& call) const;

  // Calls by name; "off_ui_thread" counts calls that came on another thread.
  std::map<std::string, int> calls;
  bool can_leave = true;
  // Pages alive now (to check that a switch destroys the old one).
  static int alive;

 private:
  void Note(const char* call);

  int view_id_;
};

// Builds RecordingPages for every view id.
ui::ViewFactory RecordingPageFactory();

}  // namespace zt::shelltest
