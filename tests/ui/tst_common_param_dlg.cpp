// The common-parameters manager over a copy of the shipped S3 catalogue: the
// tree and the list it opens with, adding (button and drag), deleting
// (buttons and the Delete key), the keys it swallows, "完成" with the
// catalogue, the marks and the files, "取消", and the ways it is opened.
#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "params/catalogue_loader.h"
#include "params/common_mark_writer.h"
#include "support/config_view_driver.h"
#include "support/shell_harness.h"
#include "support/shell_modal.h"
#include "support/synthetic_catalogue.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"
#include "text/profile_file.h"
#include "ui/common/qt_text.h"
#include "ui/config/common_param_dlg.h"
#include "ui/config/param_list_ctrl.h"
#include "ui/shell/main_frame.h"

using namespace zt;
using namespace zt::literals;
using ui::CCommonParamDlg;
using ui::Qs;
using ui::test::ConfigTestFrame;

namespace {

constexpr int kSerial = 2;    // 串口参数
constexpr int kNetwork = 3;   // 网络参数
constexpr int kRegister = 6;  // 注册包参数: 注册包长度 <-> 注册包内容

// A folder holding a copy of a catalogue as dtuparam_s3.ini (the shipped S3
// one unless told otherwise), and a dtuparam.ini when asked for.
class CatalogueFolder {
 public:
  explicit CatalogueFolder(bool with_profile, std::string catalogue = {}) {
    if (catalogue.empty())
      catalogue = test::ReadFileBytes(CataloguePath(ZT_SOURCE_DATA_DIR, FileVariant::kS3));
    original_ = catalogue;
    (void)test::WriteFileBytes(CataloguePath(dir_.path(), FileVariant::kS3), catalogue);
    if (with_profile) (void)test::WriteFileBytes(Profile(), "[application]\r\nproduct=ZR-3100\r\n");
  }
  std::string path() const { return dir_.path() + "/"; }
  std::string Profile() const { return dir_.File("dtuparam.ini"); }
  std::string Catalogue() const { return test::ReadFileBytes(CataloguePath(dir_.path(), FileVariant::kS3)); }
  const std::string& original() const { return original_; }

 private:
  test::TempDir dir_;
  std::string original_;
};

// The catalogue as the parameter view leaves it after its start-up.
void LoadInto(ConfigTestFrame& frame, const std::string& folder) {
  frame.folder = folder;
  (void)LoadCatalogue(frame.catalogue, folder, FileVariant::kS3);
  frame.catalogue.Write([](CParamCatalogue& c) { c.RebuildCommonGroup(); });
}

// (name, home group) of group 0's entries.
std::vector<std::pair<std::string, int>> CommonGroup(SharedCatalogue& catalogue) {
  return catalogue.Read([](const CParamCatalogue& c) {
    std::vector<std::pair<std::string, int>> out;
    for (int i = 0; i < c.groups[0].count; ++i) {
      const ParamDef& p = c.groups[0].params[static_cast<std::size_t>(i)];
      out.emplace_back(p.name, p.home_group);
    }
    return out;
  });
}

std::vector<std::pair<std::string, int>> Pairs(std::initializer_list<std::pair<std::string_view, int>> in) {
  std::vector<std::pair<std::string, int>> out;
  for (const auto& [name, group] : in) out.emplace_back(std::string(name), group);
  return out;
}

QStringList ListTexts(const QListWidget& list) {
  QStringList texts;
  for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
  return texts;
}

QStringList QsList(std::initializer_list<std::string_view> gbk) {
  QStringList out;
  for (const std::string_view t : gbk) out << Qs(t);
  return out;
}

QTreeWidgetItem* TreeGroup(const QTreeWidget& tree, int group) {
  for (int i = 0; i < tree.topLevelItemCount(); ++i) {
    if (tree.topLevelItem(i)->data(0, Qt::UserRole).toInt() == group) return tree.topLevelItem(i);
  }
  return nullptr;
}

QTreeWidgetItem* TreeParam(const QTreeWidget& tree, int group, std::string_view gbk_name) {
  QTreeWidgetItem* root = TreeGroup(tree, group);
  for (int i = 0; root != nullptr && i < root->childCount(); ++i) {
    if (root->child(i)->text(0) == Qs(gbk_name)) return root->child(i);
  }
  return nullptr;
}

QPushButton* Button(const QWidget& dialog, const char* name) { return dialog.findChild<QPushButton*>(name); }

void Click(const QWidget& dialog, const char* name) {
  QPushButton* button = Button(dialog, name);
  QVERIFY2(button != nullptr, name);
  QTest::mouseClick(button, Qt::LeftButton);
}

// Selects a tree item as a click on it would.
void SelectTreeItem(QTreeWidget& tree, QTreeWidgetItem* item) {
  QVERIFY(item != nullptr);
  tree.scrollToItem(item);
  QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(item).center());
  QCOMPARE(tree.selectedItems(), QList<QTreeWidgetItem*>{item});
}

// What an operator does in the manager to keep one parameter as the whole
// common group: "全部删除", the parameter, "添加 =>", "完成".
std::function<void(QWidget*)> KeepOnly(int group, std::string_view gbk_name) {
  return [group, gbk_name](QWidget* modal) {
    auto* dialog = qobject_cast<CCommonParamDlg*>(modal);
    if (dialog == nullptr) {
      modal->close();
      return;
    }
    dialog->DeleteAll();
    dialog->Tree()->setCurrentItem(TreeParam(*dialog->Tree(), group, gbk_name));
    dialog->AddSelected();
    Click(*dialog, "finishButton");
  };
}

void SelectLine(QListWidget& list, int row) {
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(row)).center());
  QCOMPARE(list.currentRow(), row);
}

// A dialog shown (not modal) over `frame`.
std::unique_ptr<CCommonParamDlg> Open(ConfigTestFrame& frame) {
  auto dialog = std::make_unique<CCommonParamDlg>(frame, nullptr);
  dialog->setModal(false);
  dialog->show();
  (void)QTest::qWaitForWindowExposed(dialog.get());
  return dialog;
}

// The manager opened over the shipped catalogue, as a connected DTU left it.
struct OpenedManager {
  CatalogueFolder folder{false};
  ConfigTestFrame frame;
  std::unique_ptr<CCommonParamDlg> dialog;
  OpenedManager() {
    LoadInto(frame, folder.path());
    dialog = Open(frame);
  }
};

// The drag-and-drop route of a drop at `pos` of `window`: the widget there,
// or the nearest parent that takes drops, gets the drag's enter, move and
// drop events, as the window system delivers them. False when no widget
// there takes drops.
bool DropAt(QWidget& window, QPoint pos, const QMimeData& data) {
  QWidget* target = window.childAt(pos);
  if (target == nullptr) target = &window;
  while (target != nullptr && !target->acceptDrops()) target = target->parentWidget();
  if (target == nullptr) return false;
  const QPoint at = target->mapFrom(&window, pos);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &move);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

// The data a drag of `item` carries: what the tree's model gives for it.
std::unique_ptr<QMimeData> DragData(QTreeWidget& tree, QTreeWidgetItem* item) {
  QModelIndex index;
  if (item->parent() == nullptr) {
    index = tree.model()->index(tree.indexOfTopLevelItem(item), 0);
  } else {
    const QModelIndex parent = tree.model()->index(tree.indexOfTopLevelItem(item->parent()), 0);
    index = tree.model()->index(item->parent()->indexOfChild(item), 0, parent);
  }
  return std::unique_ptr<QMimeData>(tree.model()->mimeData({index}));
}

// A drag as the mouse makes it: down on `item`, moved past the drag
// distance, then (from inside the drag's own loop) moved to `to` in the
// dialog and let go there. Needs a window system; the offscreen platform
// runs no drag loop.
void RealDrag(CCommonParamDlg& dialog, QTreeWidgetItem* item, QPoint to) {
  QTreeWidget& tree = *dialog.Tree();
  tree.scrollToItem(item);
  const QPoint start = tree.visualItemRect(item).center();
  QTimer::singleShot(200, &dialog, [&dialog, to] {
    QTest::mouseMove(&dialog, to);
    QTest::mouseRelease(&dialog, Qt::LeftButton, {}, to);
  });
  QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, start);
  QTest::mouseMove(tree.viewport(), start + QPoint(QApplication::startDragDistance() + 5, 0));
  QTest::mouseMove(tree.viewport(), start + QPoint(3 * QApplication::startDragDistance() + 5, 0));
}

}  // namespace

class CommonParamDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void opensWithTheEligibleTreeAndTheCommonGroup() {
    OpenedManager m;
    auto& [folder, frame, dialog] = m;
    QCOMPARE(dialog->windowTitle(), Qs("常用配置参数管理"_gbk));
    QStringList labels;
    for (const QLabel* l : dialog->findChildren<QLabel*>()) labels << l->text();
    QVERIFY(labels.contains(Qs("全部参数列表："_gbk)) && labels.contains(Qs("常用配置参数列表："_gbk)));
    QCOMPARE(Button(*dialog, "addButton")->text(), Qs("添加 =>"_gbk));
    QCOMPARE(Button(*dialog, "deleteButton")->text(), Qs("删除"_gbk));
    QCOMPARE(Button(*dialog, "deleteAllButton")->text(), Qs("全部删除"_gbk));
    QCOMPARE(Button(*dialog, "finishButton")->text(), Qs("完成"_gbk));
    QCOMPARE(Button(*dialog, "cancelButton")->text(), Qs("取消"_gbk));

    // The ten groups not bound to a channel; the channel groups never show.
    const QTreeWidget& tree = *dialog->Tree();
    QCOMPARE(tree.topLevelItemCount(), 10);
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
      QCOMPARE(tree.topLevelItem(i)->data(0, Qt::UserRole).toInt(), i + 1);
    }
    QCOMPARE(tree.topLevelItem(0)->text(0), Qs("系统参数"_gbk));
    // The read-only versions and IMEI are left out of the system group.
    QStringList system;
    for (int i = 0; i < tree.topLevelItem(0)->childCount(); ++i)
      system << tree.topLevelItem(0)->child(i)->text(0);
    QCOMPARE(system,
             QsList({"产品型号"_gbk, "设备名称"_gbk, "配置密码"_gbk, "调试信息输出"_gbk, "日志级别"_gbk}));

    // The list is the common group, in its order.
    QStringList expected;
    for (const auto& [name, group] : CommonGroup(frame.catalogue)) expected << Qs(name);
    QVERIFY(expected.size() >= 5);
    QCOMPARE(ListTexts(*dialog->List()), expected);
  }

  void addingAParameterAddsItsRelatedOneOnce() {
    OpenedManager m;
    auto& [folder, frame, dialog] = m;
    Click(*dialog, "deleteAllButton");
    QCOMPARE(dialog->List()->count(), 0);
    Click(*dialog, "addButton");  // nothing selected: nothing happens
    QCOMPARE(dialog->List()->count(), 0);

    SelectTreeItem(*dialog->Tree(), TreeParam(*dialog->Tree(), kRegister, "注册包长度"_gbk));
    Click(*dialog, "addButton");
    QCOMPARE(ListTexts(*dialog->List()), QsList({"注册包长度"_gbk, "注册包内容"_gbk}));
    Click(*dialog, "addButton");
    QCOMPARE(ListTexts(*dialog->List()), QsList({"注册包长度"_gbk, "注册包内容"_gbk}));
    QCOMPARE(dialog->List()->item(1)->data(Qt::UserRole).toInt(), kRegister);
  }

  void addingAGroupAddsItsChildrenWithoutRelatedOnes() {
    OpenedManager m;
    auto& [folder, frame, dialog] = m;
    Click(*dialog, "deleteAllButton");
    SelectTreeItem(*dialog->Tree(), TreeParam(*dialog->Tree(), kNetwork, "APN密码"_gbk));
    Click(*dialog, "addButton");
    SelectTreeItem(*dialog->Tree(), TreeGroup(*dialog->Tree(), kSerial));
    Click(*dialog, "addButton");
    QStringList expected{Qs("APN密码"_gbk)};
    const QTreeWidgetItem* serial = TreeGroup(*dialog->Tree(), kSerial);
    for (int i = 0; i < serial->childCount(); ++i) expected << serial->child(i)->text(0);
    QCOMPARE(ListTexts(*dialog->List()), expected);
  }

  void deletingRemovesTheRelatedLineToo() {
    OpenedManager m;
    auto& [folder, frame, dialog] = m;
    Click(*dialog, "deleteAllButton");
    for (std::string_view name : {"接入点名称"_gbk, "注册包内容"_gbk}) {
      const int group = name == "接入点名称"_gbk ? kNetwork : kRegister;
      SelectTreeItem(*dialog->Tree(), TreeParam(*dialog->Tree(), group, name));
      Click(*dialog, "addButton");
    }
    SelectTreeItem(*dialog->Tree(), TreeParam(*dialog->Tree(), kNetwork, "APN密码"_gbk));
    Click(*dialog, "addButton");
    QCOMPARE(ListTexts(*dialog->List()),
             QsList({"接入点名称"_gbk, "注册包内容"_gbk, "注册包长度"_gbk, "APN密码"_gbk}));

    Click(*dialog, "deleteButton");  // no line selected: nothing happens
    QCOMPARE(dialog->List()->count(), 4);
    SelectLine(*dialog->List(), 2);
    Click(*dialog, "deleteButton");
    QCOMPARE(ListTexts(*dialog->List()), QsList({"接入点名称"_gbk, "APN密码"_gbk}));
    // The line that took the related line's place is selected.
    QCOMPARE(dialog->List()->currentRow(), 1);

    // The Delete key in the list does the same.
    SelectLine(*dialog->List(), 0);
    dialog->List()->setFocus();
    QTest::keyClick(dialog->List(), Qt::Key_Delete);
    QCOMPARE(ListTexts(*dialog->List()), QsList({"APN密码"_gbk}));
    QVERIFY(dialog->isVisible());
  }

  void enterAndEscapeNeitherApplyNorClose() {
    CatalogueFolder folder(true);
    ConfigTestFrame frame;
    LoadInto(frame, folder.path());
    const auto before = CommonGroup(frame.catalogue);
    auto dialog = Open(frame);
    Click(*dialog, "deleteAllButton");
    for (QWidget* w :
         std::initializer_list<QWidget*>{dialog.get(), dialog->Tree(), dialog->List(),
                                         Button(*dialog, "finishButton"), Button(*dialog, "cancelButton")}) {
      w->setFocus();
      QTest::keyClick(w, Qt::Key_Return);
      QTest::keyClick(w, Qt::Key_Enter);
      QTest::keyClick(w, Qt::Key_Escape);
      QVERIFY2(dialog->isVisible(), qPrintable(w->objectName()));
    }
    QCOMPARE(dialog->result(), 0);
    QCOMPARE(CommonGroup(frame.catalogue), before);
    QCOMPARE(test::ReadFileBytes(folder.Profile()), std::string("[application]\r\nproduct=ZR-3100\r\n"));
  }

  void aDragFromTheTreeAddsOnTheListAndNowhereElse() {
    OpenedManager m;
    auto& [folder, frame, dialog] = m;
    Click(*dialog, "deleteAllButton");
    QTreeWidget& tree = *dialog->Tree();
    QListWidget& list = *dialog->List();
    QTreeWidgetItem* length = TreeParam(tree, kRegister, "注册包长度"_gbk);
    QVERIFY(length != nullptr);

    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
      // A window system runs the drag loop: the mouse goes down on the
      // item, moves, and is let go first over the tree, then over the list.
      const QPoint on_tree = tree.viewport()->mapTo(dialog.get(), QPoint(5, tree.viewport()->height() - 5));
      RealDrag(*dialog, length, on_tree);
      QTest::qWait(200);
      QCOMPARE(list.count(), 0);
      RealDrag(*dialog, length, list.viewport()->mapTo(dialog.get(), list.viewport()->rect().center()));
      QVERIFY(shelltest::WaitFor([&] { return list.count() == 2; }, 3000));
    } else {
      // The offscreen platform runs no drag loop (QDrag::exec returns at
      // once), so the drop is delivered as the window system would: the
      // tree's own drag data, dropped at the middle of the list.
      std::unique_ptr<QMimeData> data = DragData(tree, length);
      QVERIFY(data != nullptr);
      const QPoint on_list = list.viewport()->mapTo(dialog.get(), list.viewport()->rect().center());
      QVERIFY(DropAt(*dialog, on_list, *data));
    }
    QCOMPARE(ListTexts(list), QsList({"注册包长度"_gbk, "注册包内容"_gbk}));

    // A group dropped onto the list adds its children.
    std::unique_ptr<QMimeData> group = DragData(tree, TreeGroup(tree, kSerial));
    const QPoint on_list = list.viewport()->mapTo(dialog.get(), list.viewport()->rect().center());
    QVERIFY(DropAt(*dialog, on_list, *group));
    QCOMPARE(list.count(), 2 + TreeGroup(tree, kSerial)->childCount());

    // Dropped anywhere else (the tree itself, the buttons, the dialog's
    // background), nothing takes it and nothing is added.
    const int lines = list.count();
    std::unique_ptr<QMimeData> apn = DragData(tree, TreeParam(tree, kNetwork, "APN密码"_gbk));
    const QPoint on_tree = tree.viewport()->mapTo(dialog.get(), tree.viewport()->rect().center());
    const QPoint on_button = Button(*dialog, "addButton")->mapTo(dialog.get(), QPoint(3, 3));
    for (const QPoint at :
         {on_tree, on_button, QPoint(2, 2), QPoint(dialog->width() - 3, dialog->height() - 3)}) {
      QVERIFY(!DropAt(*dialog, at, *apn));
    }
    QCOMPARE(list.count(), lines);
    QCOMPARE(tree.topLevelItemCount(), 10);
  }

  void finishAppliesKeepsTheMarksAndSurvivesARestart() {
    CatalogueFolder folder(true);
    std::vector<std::pair<std::string, int>> chosen_in_catalogue_order;
    {
      ConfigTestFrame frame;
      LoadInto(frame, folder.path());
      auto dialog = Open(frame);
      Click(*dialog, "deleteAllButton");
      SelectTreeItem(*dialog->Tree(), TreeParam(*dialog->Tree(), kRegister, "注册包长度"_gbk));
      Click(*dialog, "addButton");
      SelectTreeItem(*dialog->Tree(), TreeParam(*dialog->Tree(), kNetwork, "APN密码"_gbk));
      Click(*dialog, "addButton");
      SelectTreeItem(*dialog->Tree(), TreeParam(*dialog->Tree(), kSerial, "数据位"_gbk));
      Click(*dialog, "addButton");
      Click(*dialog, "finishButton");
      QCOMPARE(dialog->result(), int(QDialog::Accepted));
      QVERIFY(!dialog->isVisible());
      QVERIFY(frame.messages.shown.empty());

      // Group 0 in the order of the list, each copy with its home group.
      QCOMPARE(CommonGroup(frame.catalogue), Pairs({{"注册包长度"_gbk, kRegister},
                                                    {"注册包内容"_gbk, kRegister},
                                                    {"APN密码"_gbk, kNetwork},
                                                    {"数据位"_gbk, kSerial}}));
      const std::string tip =
          frame.catalogue.Read([](const CParamCatalogue& c) { return c.groups[0].params[2].tip; });
      QVERIFY(tip.ends_with("[网络参数]"_gbk));
      // Marks: exactly the four sources.
      const CommonParamMarks marks =
          frame.catalogue.Read([](const CParamCatalogue& c) { return CollectCommonMarks(c); });
      int marked = 0;
      for (const auto& row : marks) {
        for (const bool m : row) marked += m ? 1 : 0;
      }
      QCOMPARE(marked, 4);

      // dtuparam.ini has every parameter's mark.
      const ProfileFile profile = ProfileFile::Load(folder.Profile());
      QCOMPARE(profile.Get("group3_parm3", "is_common_param"), std::optional<std::string>("1"));  // APN密码
      QCOMPARE(profile.Get("group3_parm1", "is_common_param"),
               std::optional<std::string>("0"));  // 接入点名称
      QCOMPARE(profile.Get("group11_parm1", "is_common_param"), std::optional<std::string>("0"));
      QCOMPARE(profile.Get("application", "product"), std::optional<std::string>("ZR-3100"));
      // The catalogue file changed in mark values only.
      const std::string now = folder.Catalogue();
      QCOMPARE(now.size(), folder.original().size());
      QVERIFY(now != folder.original());
      chosen_in_catalogue_order = Pairs({{"数据位"_gbk, kSerial},
                                         {"APN密码"_gbk, kNetwork},
                                         {"注册包长度"_gbk, kRegister},
                                         {"注册包内容"_gbk, kRegister}});
    }
    // A new start: the parameter view loads the catalogue file and shows
    // the chosen common group (in catalogue order).
    ui::test::ConfigViewDriver restarted([&](ConfigTestFrame& f) { f.folder = folder.path(); });
    QCOMPARE(CommonGroup(restarted.frame.catalogue), chosen_in_catalogue_order);
    QCOMPARE(restarted.view->CurrentGroup(), 0);
    QCOMPARE(restarted.list().rowCount(), 4);
    QCOMPARE(restarted.Cell(0, 0), Qs("数据位"_gbk));
    QCOMPARE(restarted.Cell(3, 0), Qs("注册包内容"_gbk));
  }

  void cancelLeavesTheCatalogueAndTheFiles() {
    CatalogueFolder folder(true);
    ConfigTestFrame frame;
    LoadInto(frame, folder.path());
    const auto before = CommonGroup(frame.catalogue);
    auto dialog = Open(frame);
    Click(*dialog, "deleteAllButton");
    Click(*dialog, "cancelButton");
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(CommonGroup(frame.catalogue), before);
    QCOMPARE(folder.Catalogue(), folder.original());
    QCOMPARE(test::ReadFileBytes(folder.Profile()), std::string("[application]\r\nproduct=ZR-3100\r\n"));

    // The close box is a cancel too.
    auto again = Open(frame);
    Click(*again, "deleteAllButton");
    again->close();
    QCOMPARE(again->result(), int(QDialog::Rejected));
    QCOMPARE(CommonGroup(frame.catalogue), before);
  }

  void aCatalogueFileThatCannotTakeTheMarksIsReported() {
    CatalogueFolder folder(false);
    ConfigTestFrame frame;
    LoadInto(frame, folder.path());
    // The file goes bad after the load: the marks cannot be kept in it.
    (void)test::WriteFileBytes(CataloguePath(folder.path(), FileVariant::kS3), "[group]\r\ncount=1\r\n");
    auto dialog = Open(frame);
    Click(*dialog, "deleteAllButton");
    Click(*dialog, "finishButton");
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(frame.catalogue.Read([](const CParamCatalogue& c) { return int(c.groups[0].count); }), 0);
    QCOMPARE(frame.messages.shown.size(), std::size_t{1});
    QCOMPARE(frame.messages.shown[0].text, std::string("常用配置参数未能保存到dtuparam_s3.ini"_gbk));
    QCOMPARE(frame.messages.shown[0].caption, std::string("提示"_gbk));
  }

  void moreThanSixtyFourAreRefusedWithAMessage() {
    CatalogueFolder folder(false, test::FullCatalogueText());
    ConfigTestFrame frame;
    LoadInto(frame, folder.path());
    auto dialog = Open(frame);
    QCOMPARE(dialog->List()->count(), 0);
    SelectTreeItem(*dialog->Tree(), dialog->Tree()->topLevelItem(0));
    Click(*dialog, "addButton");
    QCOMPARE(dialog->List()->count(), 64);
    QVERIFY(frame.messages.shown.empty());
    SelectTreeItem(*dialog->Tree(), dialog->Tree()->topLevelItem(1)->child(0));
    Click(*dialog, "addButton");
    QCOMPARE(dialog->List()->count(), 64);
    QCOMPARE(frame.messages.shown.size(), std::size_t{1});
    QCOMPARE(frame.messages.shown[0].text, CommonParamsFullText());
    QCOMPARE(frame.messages.shown[0].caption, std::string("提示"_gbk));
    // Room again after a deletion.
    SelectLine(*dialog->List(), 63);
    Click(*dialog, "deleteButton");
    Click(*dialog, "addButton");
    QCOMPARE(dialog->List()->count(), 64);
    Click(*dialog, "finishButton");
    QCOMPARE(frame.catalogue.Read([](const CParamCatalogue& c) { return int(c.groups[0].count); }), 64);
  }

  void theViewsButtonOpensItAndRedrawsTheCommonGroup() {
    CatalogueFolder folder(false);
    ui::test::ConfigViewDriver d([&](ConfigTestFrame& f) {
      f.folder = folder.path();
      f.connected = true;
    });
    auto* button = d.view->findChild<QPushButton*>("commonParamsButton");
    QVERIFY(button != nullptr);
    QVERIFY(button->isVisible());
    QVERIFY(button->isEnabled());
    QCOMPARE(button->text(), Qs("常用配置参数"_gbk));
    QVERIFY(d.list().rowCount() >= 5);

    shelltest::ModalResponder finish(KeepOnly(kNetwork, "APN密码"_gbk));
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(finish.seen().seen);
    QCOMPARE(finish.seen().class_name, QStringLiteral("zt::ui::CCommonParamDlg"));
    QCOMPARE(d.list().rowCount(), 1);
    QCOMPARE(d.Cell(0, 0), Qs("APN密码"_gbk));
  }

  void theFramesMenuEntryOpensItAndThePageFollows() {
    CatalogueFolder folder(false);
    shelltest::HarnessOptions options;
    options.catalogue_folder = folder.path();
    shelltest::FrameHarness h(std::move(options));
    h.Show();
    QAction* action = h.frame().CommandAction(ui::kIdCommonParams);
    QVERIFY(action != nullptr);
    QCOMPARE(action->text(), Qs("常用配置参数(&P)"_gbk));
    QVERIFY(!action->isEnabled());  // until a DTU connects
    h.commands.Clear(kCmdCommonParams);
    h.frame().RefreshCommandStates();
    QVERIFY(action->isEnabled());

    auto* view = qobject_cast<ui::CViewConfig*>(h.frame().CurrentPage());
    QVERIFY(view != nullptr);
    QCOMPARE(view->CurrentGroup(), 0);
    shelltest::ModalResponder finish(KeepOnly(kRegister, "注册包内容"_gbk));
    action->trigger();
    QVERIFY(finish.seen().seen);
    QCOMPARE(view->List()->rowCount(), 2);
    QCOMPARE(view->List()->item(0, 0)->text(), Qs("注册包内容"_gbk));

    // Cancelled, nothing changes on the page.
    shelltest::ModalResponder cancel([](QWidget* modal) {
      if (QPushButton* b = Button(*modal, "deleteAllButton")) b->click();
      if (QPushButton* b = Button(*modal, "cancelButton")) b->click();
    });
    action->trigger();
    QVERIFY(cancel.seen().seen);
    QCOMPARE(view->List()->rowCount(), 2);
  }
};

QTEST_MAIN(CommonParamDlgTest)
#include "tst_common_param_dlg.moc"
