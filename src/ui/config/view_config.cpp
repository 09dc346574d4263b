#include "ui/config/view_config.h"

#include <QCheckBox>
#include <QEnterEvent>
#include <QEvent>
#include <QMouseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "configfile/config_file.h"
#include "params/catalogue_loader.h"
#include "params/channel_modes.h"
#include "params/param_view_model.h"
#include "params/shared_catalogue.h"
#include "settings/process_flags.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"
#include "ui/common/qt_text.h"
#include "ui/config/common_param_dlg.h"
#include "ui/config/param_list_ctrl.h"
#include "worker/front_end_rules.h"

namespace zt::ui {

using namespace zt::literals;

namespace {

constexpr int kCatalogueLoadAttempts = 5;
constexpr int kGroupRole = Qt::UserRole;

QPushButton* CommandButton(std::string_view gbk, const char* object_name, QWidget* parent) {
  auto* button = new QPushButton(Qs(gbk), parent);
  button->setObjectName(object_name);
  return button;
}

QTreeWidgetItem* TreeItem(const GroupTreeItem& entry) {
  auto* item = new QTreeWidgetItem(QStringList{Qs(entry.name)});
  item->setData(0, kGroupRole, entry.group);
  return item;
}

}  // namespace

CViewConfig::CViewConfig(IFrameContext& frame, QWidget* parent) : CViewBase(frame, parent) {
  setObjectName("viewConfig");

  tree_box_ = new QGroupBox(Qs("参数组列表"_gbk), this);
  tree_box_->setObjectName("groupTreeBox");
  tree_ = new QTreeWidget(tree_box_);
  tree_->setObjectName("groupTree");
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  auto* tree_layout = new QVBoxLayout(tree_box_);
  tree_layout->addWidget(tree_);

  list_box_ = new QGroupBox(Qs("常见参数"_gbk), this);
  list_box_->setObjectName("paramListBox");
  list_ = new CParamListCtrl(frame.Catalogue(), frame.Messages(), list_box_);

  select_all_ = new QCheckBox(Qs("全选/全不选"_gbk), list_box_);
  select_all_->setObjectName("selectAllBox");
  common_ = CommandButton("常用配置参数"_gbk, "commonParamsButton", list_box_);
  query_ = CommandButton("查询参数"_gbk, "queryButton", list_box_);
  set_ = CommandButton("设置参数"_gbk, "setButton", list_box_);
  defaults_ = CommandButton("默认参数"_gbk, "defaultsButton", list_box_);
  restart_ = CommandButton("重启DTU"_gbk, "restartButton", list_box_);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(select_all_);
  buttons->addStretch(1);
  for (QPushButton* b : {common_, query_, set_, defaults_, restart_}) buttons->addWidget(b);
  auto* list_layout = new QVBoxLayout(list_box_);
  list_layout->addWidget(list_, 1);
  list_layout->addLayout(buttons);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(tree_box_, 0);
  layout->addWidget(list_box_, 1);
  tree_box_->setMinimumWidth(200);
  tree_box_->setMaximumWidth(240);

  connect(tree_, &QTreeWidget::itemClicked, this, &CViewConfig::OnTreeItemClicked);
  connect(select_all_, &QCheckBox::clicked, this, [this](bool) { OnSelectAllClicked(); });
  connect(common_, &QPushButton::clicked, this, &CViewConfig::CommonParamsCommand);
  connect(query_, &QPushButton::clicked, this, &CViewConfig::QueryCommand);
  connect(set_, &QPushButton::clicked, this, &CViewConfig::SetCommand);
  connect(defaults_, &QPushButton::clicked, this, &CViewConfig::DefaultsCommand);
  connect(restart_, &QPushButton::clicked, this, &CViewConfig::RestartCommand);
  connect(list_, &CParamListCtrl::EditCommitted, this, &CViewConfig::OnEditCommitted);
  connect(list_, &CParamListCtrl::CustomPairConfirmed, this,
          &CViewConfig::OnCustomPairConfirmed);

  // An open editable drop-down is committed when the mouse goes over the
  // page outside the list, or when the tree is clicked.
  setMouseTracking(true);
  tree_box_->setMouseTracking(true);
  list_box_->setMouseTracking(true);
  for (QWidget* w : std::initializer_list<QWidget*>{this, tree_box_, tree_->viewport(), list_box_,
                                                    select_all_, common_, query_, set_, defaults_,
                                                    restart_}) {
    WatchMouse(w);
  }

  ask_ = [this](std::string_view text) {
    return QMessageBox::question(this, window()->windowTitle(), Qs(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  };
  choose_file_ = [this](const ConfigFileDialogRequest& request) {
    return ChooseConfigFileWithDialog(this, request);
  };

  SetCommandControlsEnabled(false);
}

CViewConfig::~CViewConfig() {
  // The list's editors may still report while the children go; nothing of
  // this page may be reached from them by then.
  disconnect(list_, nullptr, this, nullptr);
  for (QWidget* w : watched_) {
    if (w != nullptr) w->removeEventFilter(this);
  }
}

void CViewConfig::WatchMouse(QWidget* widget) {
  widget->installEventFilter(this);
  watched_.push_back(widget);
}

bool CViewConfig::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Enter:
    case QEvent::MouseMove: {
      // Moves over the list reach the page too (they go up to a parent that
      // tracks the mouse); only those outside the list count.
      const QPointF global = static_cast<QSinglePointEvent*>(event)->globalPosition();
      const QPoint in_list = list_->mapFromGlobal(global.toPoint());
      if (list_->HasCustomListEditor() && !list_->rect().contains(in_list)) {
        list_->CommitCustomListEditor();
      }
      break;
    }
    case QEvent::MouseButtonPress:
      if (watched == tree_->viewport()) list_->CommitCustomListEditor();
      break;
    default:
      break;
  }
  return CViewBase::eventFilter(watched, event);
}

void CViewConfig::InitialUpdate() {
  LoadCatalogueWithRetries(frame().Catalogue(), frame().CatalogueFolder(),
                           frame().Flags().file_variant.load(), frame().CatalogueErrors(),
                           kCatalogueLoadAttempts);
  frame().Catalogue().Write([](CParamCatalogue& c) { c.RebuildCommonGroup(); });
  BuildTree();
  SetCommandControlsEnabled(frame().IsConnected());
  frame().RefreshParameterCommands();
}

void CViewConfig::BuildTree() {
  const bool s3 = IsS3(frame().Flags());
  const ChannelMode mode = frame().CurrentMode();
  struct TreeData {
    std::vector<GroupTreeItem> roots;
    std::string common_name;
  };
  const TreeData tree_data = frame().Catalogue().Read([&](const CParamCatalogue& c) {
    TreeData d;
    d.roots = BuildGroupTree(c, s3, mode);
    d.common_name = c.GroupNameByIndex(kCommonGroup);
    return d;
  });

  tree_->clear();
  QTreeWidgetItem* parent = nullptr;
  for (const GroupTreeItem& root : tree_data.roots) {
    QTreeWidgetItem* item = TreeItem(root);
    tree_->addTopLevelItem(item);
    if (root.is_channel_parent()) {
      parent = item;
      for (const GroupTreeItem& child : root.children) item->addChild(TreeItem(child));
    }
  }
  if (parent != nullptr) parent->setExpanded(true);

  list_->ShowGroup(kCommonGroup);
  list_box_->setTitle(Qs(tree_data.common_name.empty() ? CommonGroupName() : tree_data.common_name));
  MarkTreeItem(kCommonGroup);
}

void CViewConfig::ShowGroup(int group) {
  list_->ShowGroup(group);
  const std::string name =
      frame().Catalogue().Read([&](const CParamCatalogue& c) { return c.GroupNameByIndex(group); });
  if (!name.empty()) list_box_->setTitle(Qs(name));
  MarkTreeItem(group);
}

void CViewConfig::MarkTreeItem(int group) {
  for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
    if ((*it)->data(0, kGroupRole).toInt() == group) {
      tree_->setCurrentItem(*it);
      return;
    }
  }
  tree_->setCurrentItem(nullptr);
}

void CViewConfig::RedrawValues() { list_->RedrawValues(); }

int CViewConfig::CurrentGroup() const { return list_->CurrentGroup(); }

void CViewConfig::OnTreeItemClicked(QTreeWidgetItem* item, int /*column*/) {
  list_->CommitCustomListEditor();
  if (item == nullptr) return;
  const int group = item->data(0, kGroupRole).toInt();
  if (group < 0) return;  // the channel parent
  ShowGroup(group);
}

void CViewConfig::SetCommandControlsEnabled(bool enabled) {
  controls_allowed_ = enabled;
  CommandStatesChanged();
}

void CViewConfig::CommandStatesChanged() {
  const CommandStateTable& commands = frame().Commands();
  const std::pair<QWidget*, CommandEntry> controls[] = {
      {select_all_, kCmdSelectAll}, {common_, kCmdCommonParams}, {query_, kCmdQuery},
      {set_, kCmdSet},              {defaults_, kCmdDefaults},   {restart_, kCmdRestart}};
  for (const auto& [control, entry] : controls) control->setEnabled(controls_allowed_ && commands.IsEnabled(entry));
}

void CViewConfig::OnSelectAllClicked() {
  select_all_state_ = !select_all_state_;
  const bool state = select_all_state_;
  frame().Catalogue().Write([state](CParamCatalogue& c) { c.SetAllSelected(state); });
  select_all_->setChecked(state);
  list_->Refill();
}

void CViewConfig::SelectAllCommand() { OnSelectAllClicked(); }

void CViewConfig::CommonParamsCommand() {
  if (RunCommonParamDlg(frame(), this)) CommonParamsChanged();
}

void CViewConfig::QueryCommand() { frame().PostToWorker(QueryRequest{frame().CurrentMode()}); }

void CViewConfig::SetCommand() { frame().PostToWorker(SetWithChannelsRequest{frame().CurrentMode()}); }

bool CViewConfig::DefaultsCommand() {
  const ChannelMode mode = frame().CurrentMode();
  const std::string question =
      Format("使用%s模式，DTU参数将恢复到默认值，请确认是否恢复到默认值？"_gbk,
             std::string(ModeDisplayName(mode)));
  if (!ask_(question)) return true;
  frame().PostRestoreDefaults(mode);
  BuildTree();
  return true;
}

void CViewConfig::RestartCommand() { frame().PostToWorker(RestartRequest{}); }

void CViewConfig::OnQueryDone() { RedrawValues(); }

void CViewConfig::OnConnectReady() {
  RebuildAfterConnect(frame().Catalogue());
  BuildTree();
}

void CViewConfig::OnModeIndexChanged(const QueryRequest& query) {
  frame().PostToWorker(query);
  BuildTree();
}

void CViewConfig::OnDtuConnected() {
  if (!frame().IsAtMode()) SetCommandControlsEnabled(true);
}

void CViewConfig::OnModeSelectorChanged() { BuildTree(); }

void CViewConfig::CommonParamsChanged() {
  if (CurrentGroup() == kCommonGroup) ShowGroup(kCommonGroup);
}

void CViewConfig::OnEditCommitted(int slot, const QByteArray& gbk) {
  const int group = list_->CurrentGroup();
  const std::string text = gbk.toStdString();
  const EditResult result = frame().Catalogue().Write(
      [&](CParamCatalogue& c) { return ValidateEdit(c, group, slot, text); });
  ShowRefusal(result);
}

void CViewConfig::OnCustomPairConfirmed(int slot, const CustomPairOutcome& outcome) {
  const int group = list_->CurrentGroup();
  const EditResult result = frame().Catalogue().Write(
      [&](CParamCatalogue& c) { return CommitCustomPair(c, group, slot, outcome); });
  ShowRefusal(result);
}

void CViewConfig::ShowRefusal(const EditResult& result) {
  if (result.accepted()) return;
  frame().Messages().ShowMessage(result.refusal, RefusalCaption(), MessageIcon::kError);
}

void CViewConfig::ExportCommand() {
  const std::optional<QString> chosen =
      choose_file_(ExportDialogRequest(frame().Flags().file_variant.load()));
  if (!chosen) return;  // cancelled: nothing to say
  const ConfigFileOutcome outcome =
      ExportConfigFile(frame().Catalogue(), NativePath(*chosen), frame().CurrentMode());
  if (!outcome.ok) {
    frame().Messages().ShowMessage(outcome.message, ConfigFileCaption(), MessageIcon::kError);
    return;
  }
  frame().AddLogLine(outcome.log_line);
}

void CViewConfig::ImportCommand() {
  const std::optional<QString> chosen = choose_file_(ImportDialogRequest());
  if (!chosen) {
    RedrawValues();
    return;
  }
  const ConfigFileOutcome outcome =
      ImportConfigFile(frame().Catalogue(), NativePath(*chosen), frame().Flags().file_variant.load(),
                       frame().CurrentMode(), CurrentGroup());
  if (!outcome.ok) {
    frame().Messages().ShowMessage(outcome.message, ConfigFileCaption(), MessageIcon::kError);
    return;
  }
  frame().AddLogLine(outcome.log_line);
  // The file lacked entries: their values are empty now, and the operator
  // still chooses what to set.
  if (!outcome.absent_log_line.empty()) frame().AddLogLine(outcome.absent_log_line);
  // Only the values changed: selection marks, tree and rows stay.
  RedrawValues();
}

}  // namespace zt::ui
