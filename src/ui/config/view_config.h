// The parameter configuration page (view id 101): the group tree on the left,
// the editable parameter list of the chosen group on the right, and under it
// the select-all box and the command buttons that post work to the
// configuration worker. The page owns no data: it shows and edits the shared
// catalogue and learns of the worker's results through the frame.
//
// UI thread only. The page never waits for the worker: commands are posted,
// results arrive as the frame's notifications.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "params/validate_edit.h"
#include "ui/config/config_file_commands.h"
#include "ui/shell/view_base.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace zt::ui {

class CParamListCtrl;

class CViewConfig : public CViewBase {
  Q_OBJECT

 public:
  CViewConfig(IFrameContext& frame, QWidget* parent);
  ~CViewConfig() override;

  int ViewId() const override { return kViewConfig; }

  // Loads the catalogue (up to 5 attempts), rebuilds the common group and
  // the tree, enables the commands when a DTU is connected, and asks the
  // frame to refresh the parameter commands.
  void InitialUpdate() override;

  void OnQueryDone() override;
  void OnConnectReady() override;
  void OnModeIndexChanged(const QueryRequest& query) override;
  void OnDtuConnected() override;
  void OnModeSelectorChanged() override;
  void SelectAllCommand() override;
  void ImportCommand() override;
  void ExportCommand() override;
  void CommonParamsChanged() override;

  // Refills the tree for the selector's mode and shows the common group.
  void BuildTree();
  // Shows group `group` in the list and its name as the list's caption.
  void ShowGroup(int group);
  // Rewrites the value column of the group shown.
  void RedrawValues();
  int CurrentGroup() const;

  // The select-all box and the command buttons: on only while `enabled`
  // (a DTU is connected) and, each of them, while the frame's command of the
  // same name is enabled; closing the port turns them off with the menu.
  void SetCommandControlsEnabled(bool enabled);
  void CommandStatesChanged() override;

  // The buttons' commands.
  void CommonParamsCommand();  // the common-parameters manager, modal
  void QueryCommand();
  void SetCommand();
  // Asks "使用%s模式，DTU参数将恢复到默认值，请确认是否恢复到默认值？"; on
  // Yes posts restore defaults and then the query in the selector's mode and
  // rebuilds the tree. The button and the frame's menu command both.
  bool DefaultsCommand() override;
  void RestartCommand();

  // Yes/No questions (the defaults question). Replaceable for tests; the
  // default is a modal message box. Texts are GBK.
  using AskYesNo = std::function<bool(std::string_view text)>;
  void SetAskYesNo(AskYesNo ask) { ask_ = std::move(ask); }
  // The file dialogs of import and export. Replaceable for tests.
  void SetFileChooser(ConfigFileChooser chooser) { choose_file_ = std::move(chooser); }

  // The widgets, for the frame's tests.
  CParamListCtrl* List() const { return list_; }
  QTreeWidget* Tree() const { return tree_; }
  QGroupBox* ListCaption() const { return list_box_; }
  QCheckBox* SelectAllBox() const { return select_all_; }
  bool SelectAllState() const { return select_all_state_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnTreeItemClicked(QTreeWidgetItem* item, int column);
  void OnSelectAllClicked();
  void OnEditCommitted(int slot, const QByteArray& gbk);
  void OnCustomPairConfirmed(int slot, const CustomPairOutcome& outcome);
  void ShowRefusal(const EditResult& result);
  void WatchMouse(QWidget* widget);
  // Makes the tree's item of `group` the current one (none when absent).
  void MarkTreeItem(int group);

  CParamListCtrl* list_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  QGroupBox* tree_box_ = nullptr;
  QGroupBox* list_box_ = nullptr;
  QCheckBox* select_all_ = nullptr;
  QPushButton* common_ = nullptr;
  QPushButton* query_ = nullptr;
  QPushButton* set_ = nullptr;
  QPushButton* defaults_ = nullptr;
  QPushButton* restart_ = nullptr;

  std::vector<QPointer<QWidget>> watched_;
  bool controls_allowed_ = false;
  bool select_all_state_ = false;
  AskYesNo ask_;
  ConfigFileChooser choose_file_;
};

}  // namespace zt::ui
