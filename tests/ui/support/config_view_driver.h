// Driving the parameter view in tests: a view on a ConfigTestFrame, shown
// offscreen, and the clicks and catalogue look-ups the tests need.
#pragma once

#include <QPoint>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "config_test_frame.h"
#include "ui/config/param_list_ctrl.h"
#include "ui/config/view_config.h"

namespace zt::ui::test {

class ConfigViewDriver {
 public:
  // A shown view after its start-up (catalogue loaded from frame.folder);
  // `prepare` may change the frame first.
  explicit ConfigViewDriver(const std::function<void(ConfigTestFrame&)>& prepare = {});
  ~ConfigViewDriver();

  ConfigTestFrame frame;
  std::unique_ptr<CViewConfig> view;
  bool shown = false;  // exposed and active

  CParamListCtrl& list() const { return *view->List(); }

  // Shows group `group` as a tree click would.
  void ShowGroup(int group) { view->ShowGroup(group); }

  // The value and selection mark of parameter `slot` of `group`.
  std::string Value(int group, int slot);
  bool Selected(int group, int slot);
  void SetValue(int group, int slot, std::string_view gbk);

  // Texts of a row's cells (as UTF-8 QStrings).
  QString Cell(int row, int column) const;
  bool RowChecked(int row) const;
  bool RowCheckable(int row) const;

  // Ticks or unticks a row's check box as a click on it would.
  void SetRowChecked(int row, bool checked);
  // A left click in the middle of a cell.
  void ClickCell(int row, int column);
  // The row of a parameter slot in the list.
  int Row(int slot) const { return list().RowOfSlot(slot); }

  // Gives parameter `slot` of `group` the value `gbk`, shows the group,
  // ticks the parameter's row and clicks its value cell, as an operator
  // opening its editor does. Returns the row.
  int OpenEditor(int group, int slot, std::string_view gbk) {
    SetValue(group, slot, gbk);
    ShowGroup(group);
    const int row = Row(slot);
    SetRowChecked(row, true);
    ClickCell(row, 1);
    return row;
  }
};

}  // namespace zt::ui::test
