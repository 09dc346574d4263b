// The common-parameters manager "常用配置参数管理": the operator picks the
// parameters of the common group from a tree of all eligible groups and
// parameters ("添加 =>" or a drag onto the list), removes them ("删除", the
// Delete key, "全部删除"), and "完成" puts the choice into the catalogue and
// keeps the marks in the catalogue files. "取消" and the close box leave
// everything as it was. Enter and Esc do nothing here, so a stray key never
// applies or drops the choice.
//
// The list rules live in CommonParamList (params/common_param_list.h) and the
// file writes in params/common_mark_writer.h; this is their face.
//
// UI thread only. The dialog copies what it needs from the catalogue when it
// opens and takes the catalogue lock once more for "完成"; messages are shown
// outside the lock.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QListWidget>
#include <QTreeWidget>
#include <optional>
#include <string_view>

#include "params/common_param_list.h"
#include "ui/shell/frame_context.h"

class QPushButton;

namespace zt::ui {

// What a drag out of the manager's tree carries: the group, and a parameter
// name unless the whole group is dragged.
struct CommonParamDragItem {
  int group = 0;
  bool is_group = false;
  QByteArray name;  // GBK
};

// The tree: every eligible group with its selectable parameters; the drag
// source.
class CommonParamTree : public QTreeWidget {
  Q_OBJECT

 public:
  // The type of the drag's data.
  static QString MimeType();

  explicit CommonParamTree(QWidget* parent);

  // The item a drag would carry, or nothing for a foreign item.
  static std::optional<CommonParamDragItem> DragItemOf(const QTreeWidgetItem* item);
  static std::optional<CommonParamDragItem> Decode(const QMimeData* data);

 protected:
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
  Qt::DropActions supportedDropActions() const override;
};

// The list of chosen parameters: the drop target, and the Delete key.
class CommonParamDropList : public QListWidget {
  Q_OBJECT

 public:
  explicit CommonParamDropList(QWidget* parent);

 signals:
  // A tree item was dropped onto the list (see CommonParamTree::Decode).
  void itemDropped(int group, bool is_group, const QByteArray& name);
  void deletePressed();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

class CCommonParamDlg : public QDialog {
  Q_OBJECT

 public:
  CCommonParamDlg(IFrameContext& frame, QWidget* parent);
  ~CCommonParamDlg() override;

  // The buttons' commands.
  void AddSelected();     // "添加 =>"
  void DeleteSelected();  // "删除"
  void DeleteAll();       // "全部删除"
  void Finish();          // "完成"

  // Adds a tree item as "添加 =>" would (the drop onto the list comes here).
  void AddItem(const CommonParamDragItem& item);

  QTreeWidget* Tree() const { return tree_; }
  QListWidget* List() const { return list_; }
  const CommonParamList& Choice() const { return choice_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FillTree();
  void FillList(std::optional<int> select);
  void ShowMessage(std::string_view gbk);

  IFrameContext& frame_;
  CommonParamList choice_;
  CommonParamTree* tree_ = nullptr;
  CommonParamDropList* list_ = nullptr;
};

// Runs the manager modally; true when it ended with "完成".
bool RunCommonParamDlg(IFrameContext& frame, QWidget* parent);

}  // namespace zt::ui
