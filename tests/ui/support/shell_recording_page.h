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
  void OnQueryDone() override { ++calls["query_done"]; }
  void OnConnectReady() override { ++calls["connect_ready"]; }
  void OnModeIndexChanged() override { ++calls["mode_index_changed"]; }
  void OnDtuConnected() override { ++calls["dtu_connected"]; }
  void OnModeSelectorChanged() override { ++calls["mode_selector_changed"]; }
  void SelectAllCommand() override { ++calls["select_all"]; }
  void ImportCommand() override { ++calls["import"]; }
  void ExportCommand() override { ++calls["export"]; }
  bool CanLeave() override { return can_leave; }

  int Count(const std::string& call) const;

  std::map<std::string, int> calls;
  bool can_leave = true;
  // Pages alive now (to check that a switch destroys the old one).
  static int alive;

 private:
  int view_id_;
};

// Builds RecordingPages for every view id.
ui::ViewFactory RecordingPageFactory();

}  // namespace zt::shelltest
