#include "ui/config/common_param_dlg.h"

#include <QDataStream>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIODevice>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/message_box.h"
#include "params/common_mark_writer.h"
#include "params/shared_catalogue.h"
#include "settings/process_flags.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"

namespace zt::ui {

using namespace zt::literals;

namespace {

constexpr int kGroupRole = Qt::UserRole;
constexpr int kNameRole = Qt::UserRole + 1;  // the parameter's GBK name

QPushButton* DialogButton(std::string_view gbk, const char* object_name, QWidget* parent) {
  auto* button = new QPushButton(Qs(gbk), parent);
  button->setObjectName(object_name);
  // Enter must not press a button of this dialog.
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

QTreeWidgetItem* TreeItem(const std::string& gbk_name, int group) {
  auto* item = new QTreeWidgetItem(QStringList{Qs(gbk_name)});
  item->setData(0, kGroupRole, group);
  item->setData(0, kNameRole, QByteArray::fromStdString(gbk_name));
  return item;
}

}  // namespace

// --- The tree: the drag source ------------------------------------------------

QString CommonParamTree::MimeType() { return QStringLiteral("application/x-zereltool-common-param"); }

CommonParamTree::CommonParamTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setDefaultDropAction(Qt::CopyAction);
  // Nothing may be dropped back onto the tree.
  setAcceptDrops(false);
  viewport()->setAcceptDrops(false);
}

std::optional<CommonParamDragItem> CommonParamTree::DragItemOf(const QTreeWidgetItem* item) {
  if (item == nullptr || !item->data(0, kGroupRole).isValid()) return std::nullopt;
  CommonParamDragItem drag;
  drag.group = item->data(0, kGroupRole).toInt();
  drag.is_group = item->parent() == nullptr;
  if (!drag.is_group) drag.name = item->data(0, kNameRole).toByteArray();
  return drag;
}

std::optional<CommonParamDragItem> CommonParamTree::Decode(const QMimeData* data) {
  if (data == nullptr || !data->hasFormat(MimeType())) return std::nullopt;
  QByteArray bytes = data->data(MimeType());
  QDataStream in(&bytes, QIODevice::ReadOnly);
  qint32 group = 0;
  CommonParamDragItem item;
  in >> group >> item.is_group >> item.name;
  if (in.status() != QDataStream::Ok) return std::nullopt;
  item.group = group;
  return item;
}

QStringList CommonParamTree::mimeTypes() const { return {MimeType()}; }

QMimeData* CommonParamTree::mimeData(const QList<QTreeWidgetItem*>& items) const {
  if (items.isEmpty()) return nullptr;
  const std::optional<CommonParamDragItem> item = DragItemOf(items.first());
  if (!item) return nullptr;
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out << qint32{item->group} << item->is_group << item->name;
  auto* mime = new QMimeData;
  mime->setData(MimeType(), bytes);
  return mime;
}

Qt::DropActions CommonParamTree::supportedDropActions() const {
  // A drag copies: the tree keeps its items whatever the target does.
  return Qt::CopyAction;
}

// --- The list: the drop target ------------------------------------------------

CommonParamDropList::CommonParamDropList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragDropMode(QAbstractItemView::DropOnly);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
}

void CommonParamDropList::dragEnterEvent(QDragEnterEvent* event) {
  if (!event->mimeData()->hasFormat(CommonParamTree::MimeType())) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void CommonParamDropList::dragMoveEvent(QDragMoveEvent* event) {
  if (!event->mimeData()->hasFormat(CommonParamTree::MimeType())) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void CommonParamDropList::dropEvent(QDropEvent* event) {
  const std::optional<CommonParamDragItem> item = CommonParamTree::Decode(event->mimeData());
  if (!item) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  emit itemDropped(item->group, item->is_group, item->name);
}

void CommonParamDropList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete) {
    event->accept();
    emit deletePressed();
    return;
  }
  QListWidget::keyPressEvent(event);
}

// --- The dialog ---------------------------------------------------------------

CCommonParamDlg::CCommonParamDlg(IFrameContext& frame, QWidget* parent) : QDialog(parent), frame_(frame) {
  setObjectName("commonParamDlg");
  setWindowTitle(Qs("常用配置参数管理"_gbk));
  setModal(true);

  auto* tree_label = new QLabel(Qs("全部参数列表："_gbk), this);
  tree_ = new CommonParamTree(this);
  tree_->setObjectName("allParamsTree");
  auto* list_label = new QLabel(Qs("常用配置参数列表："_gbk), this);
  list_ = new CommonParamDropList(this);
  list_->setObjectName("commonParamsList");

  QPushButton* add = DialogButton("添加 =>"_gbk, "addButton", this);
  QPushButton* remove = DialogButton("删除"_gbk, "deleteButton", this);
  QPushButton* remove_all = DialogButton("全部删除"_gbk, "deleteAllButton", this);
  QPushButton* finish = DialogButton("完成"_gbk, "finishButton", this);
  QPushButton* cancel = DialogButton("取消"_gbk, "cancelButton", this);

  auto* middle = new QVBoxLayout;
  middle->addStretch(1);
  for (QPushButton* b : {add, remove, remove_all}) middle->addWidget(b);
  middle->addStretch(1);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(finish);
  bottom->addWidget(cancel);

  auto* grid = new QGridLayout(this);
  grid->addWidget(tree_label, 0, 0);
  grid->addWidget(list_label, 0, 2);
  grid->addWidget(tree_, 1, 0);
  grid->addLayout(middle, 1, 1);
  grid->addWidget(list_, 1, 2);
  grid->addLayout(bottom, 2, 0, 1, 3);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);
  resize(620, 440);

  connect(add, &QPushButton::clicked, this, [this] { AddSelected(); });
  connect(remove, &QPushButton::clicked, this, [this] { DeleteSelected(); });
  connect(remove_all, &QPushButton::clicked, this, [this] { DeleteAll(); });
  connect(finish, &QPushButton::clicked, this, [this] { Finish(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  connect(list_, &CommonParamDropList::deletePressed, this, [this] { DeleteSelected(); });
  connect(list_, &CommonParamDropList::itemDropped, this,
          [this](int group, bool is_group, const QByteArray& name) {
            AddItem({group, is_group, name});
          });

  choice_ =
      frame_.Catalogue().Read([](const CParamCatalogue& c) { return CommonParamList::FromCatalogue(c); });
  FillTree();
  FillList(std::nullopt);
}

CCommonParamDlg::~CCommonParamDlg() = default;

void CCommonParamDlg::FillTree() {
  tree_->clear();
  for (const CommonTreeGroup& group : choice_.Tree()) {
    QTreeWidgetItem* root = TreeItem(group.name, group.group);
    for (const std::string& name : group.params) root->addChild(TreeItem(name, group.group));
    tree_->addTopLevelItem(root);
  }
}

void CCommonParamDlg::FillList(std::optional<int> select) {
  list_->clear();
  for (const CommonParamLine& line : choice_.Lines()) {
    auto* item = new QListWidgetItem(Qs(line.name), list_);
    item->setData(kGroupRole, line.home_group);
  }
  if (select && *select >= 0 && *select < list_->count()) {
    list_->setCurrentRow(*select);
  } else {
    list_->setCurrentRow(-1);
    list_->clearSelection();
  }
}

void CCommonParamDlg::ShowMessage(std::string_view gbk) {
  frame_.Messages().ShowMessage(gbk, "提示"_gbk, MessageIcon::kError);
}

void CCommonParamDlg::AddItem(const CommonParamDragItem& item) {
  const CommonParamList::AddOutcome outcome =
      item.is_group ? choice_.AddGroup(item.group) : choice_.AddParam(item.name.toStdString(), item.group);
  if (outcome == CommonParamList::AddOutcome::kFull) {
    ShowMessage(CommonParamsFullText());
    return;
  }
  if (outcome == CommonParamList::AddOutcome::kAdded) {
    const int current =
        list_->currentItem() != nullptr && list_->currentItem()->isSelected() ? list_->currentRow() : -1;
    FillList(current >= 0 ? std::optional<int>(current) : std::nullopt);
  }
}

void CCommonParamDlg::AddSelected() {
  const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
  if (selected.isEmpty()) return;
  if (const std::optional<CommonParamDragItem> item = CommonParamTree::DragItemOf(selected.first()))
    AddItem(*item);
}

void CCommonParamDlg::DeleteSelected() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return;
  const CommonParamList::DeleteOutcome outcome = choice_.Delete(list_->row(selected.first()));
  if (outcome.deleted) FillList(outcome.select);
}

void CCommonParamDlg::DeleteAll() {
  choice_.DeleteAll();
  FillList(std::nullopt);
}

void CCommonParamDlg::Finish() {
  const std::vector<CommonParamLine> lines = choice_.Lines();
  const CommonParamMarks marks = frame_.Catalogue().Write([&lines](CParamCatalogue& c) {
    ApplyCommonParams(c, lines);
    return CollectCommonMarks(c);
  });
  // The files are written and the operator told outside the catalogue lock.
  const FileVariant variant = frame_.Flags().file_variant.load();
  const CommonMarksWrite written = WriteCommonMarks(frame_.CatalogueFolder(), variant, marks);
  if (const std::string problem = CommonMarksNotKeptText(written, variant); !problem.empty()) {
    ShowMessage(problem);
  }
  accept();
}

void CCommonParamDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->accept();  // neither applies nor cancels here
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

bool RunCommonParamDlg(IFrameContext& frame, QWidget* parent) {
  CCommonParamDlg dialog(frame, parent);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace zt::ui
