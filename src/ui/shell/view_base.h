// The pages the frame swaps: the parameter view (101), the upgrade page
// (130), the AT terminal (131), the production-test view (132) and the
// production test on several ports (133). A switch
// destroys the old page and builds a new one, so a page keeps nothing across
// switches. The frame hands each page the worker's reports and the commands
// that act on the page; a page ignores what does not concern it.
#pragma once

#include <QWidget>

#include "ui/shell/frame_context.h"

namespace zt::ui {

inline constexpr int kViewConfig = 101;
inline constexpr int kViewUpdate = 130;
inline constexpr int kViewSerial = 131;
inline constexpr int kViewTest = 132;
inline constexpr int kViewMultiTest = 133;  // the production test on several ports
inline constexpr int kViewRecords = 134;  // the production records ("测试记录")

class CViewBase : public QWidget {
  Q_OBJECT

 public:
  CViewBase(IFrameContext& frame, QWidget* parent) : QWidget(parent), frame_(frame) {}

  virtual int ViewId() const = 0;

  // Called once the page is in place (its "initial update").
  virtual void InitialUpdate() {}

  // Worker reports, on the UI thread while the worker waits.
  virtual void OnQueryDone() {}          // WM_CFG_DONE with 1: redraw the value column
  virtual void OnConnectReady() {}       // WM_CFG_READY: rebuild the common group and the tree
  // WM_CFG_MODE_INDEX moved the selector: post `query`, rebuild the tree.
  virtual void OnModeIndexChanged(const QueryRequest& /*query*/) {}
  virtual void OnDtuConnected() {}       // WM_DTU_CONNECTED

  // The selector was changed by the operator (after the frame's question).
  virtual void OnModeSelectorChanged() {}

  // The frame has set its commands' enabled states anew (Commands()); a page
  // whose controls stand for commands follows them.
  virtual void CommandStatesChanged() {}

  // Frame commands that act on the page.
  virtual void SelectAllCommand() {}     // "全选/全不选(&A)"
  virtual void ImportCommand() {}        // "导入(&I)"
  virtual void ExportCommand() {}        // "导出(&O)"
  virtual void CommonParamsChanged() {}  // the common-parameters manager ended with OK
  // "默认参数(&D)": true when the page has handled it as its own command.
  virtual bool DefaultsCommand() { return false; }
  // The exit command ends the tool: the page saves nothing when it goes.
  virtual void EndWithoutSaving() {}

  // False when the page must not be left now (the production test runs);
  // the page then tells the operator why.
  virtual bool CanLeave() { return true; }

 protected:
  IFrameContext& frame() { return frame_; }

 private:
  IFrameContext& frame_;
};

}  // namespace zt::ui
