// The parameter configuration view: its group tree for each channel mode and
// generation, the command buttons and what they post to the worker, the
// select-all box, and the frame's notifications.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <string>

#include "support/config_view_driver.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "worker/config_request.h"

using namespace zt::literals;
using zt::ui::Qs;
using zt::ui::test::ConfigTestFrame;
using zt::ui::test::ConfigViewDriver;

namespace {

using Posted = std::vector<zt::ConfigRequest>;

QStringList TopLevelTexts(const QTreeWidget& tree) {
  QStringList texts;
  for (int i = 0; i < tree.topLevelItemCount(); ++i) texts << tree.topLevelItem(i)->text(0);
  return texts;
}

QTreeWidgetItem* ChannelParent(const QTreeWidget& tree) {
  for (int i = 0; i < tree.topLevelItemCount(); ++i) {
    if (tree.topLevelItem(i)->text(0) == Qs("通道参数"_gbk)) return tree.topLevelItem(i);
  }
  return nullptr;
}

QStringList ChildTexts(const QTreeWidgetItem* parent) {
  QStringList texts;
  for (int i = 0; parent != nullptr && i < parent->childCount(); ++i) {
    texts << parent->child(i)->text(0);
  }
  return texts;
}

QPushButton* Button(const ConfigViewDriver& d, const char* name) {
  return d.view->findChild<QPushButton*>(name);
}

// Every non-read-only parameter of the used groups has `selected`; read-only
// ones never do.
bool AllEditableSelected(ConfigViewDriver& d, bool selected) {
  return d.frame.catalogue.Read([selected](const zt::CParamCatalogue& c) {
    for (const zt::ParamGroup& g : c.groups) {
      if (!g.used()) continue;
      for (int i = 0; i < g.UsedCount(); ++i) {
        const zt::ParamDef& p = g.params[static_cast<std::size_t>(i)];
        if (p.selected != (selected && !p.readonly)) return false;
      }
    }
    return true;
  });
}

}  // namespace

class ConfigViewTest : public QObject {
  Q_OBJECT

 private slots:
  void startUpShowsTheCommonGroupAndTheSingleChannelTree();
  void theTreeFollowsTheSelectorsModeAndPostsNothing();
  void theEarlierGenerationHasNoChannelParent();
  void withoutCommonParametersTheListStartsOnAnEmptyGroupZero();
  void aMissingCatalogueLeavesAnEmptyPage();
  void aTreeClickShowsTheGroupAndItsName();
  void commandsAreEnabledOnlyWhenConnected();
  void theButtonsPostWithTheSelectorsMode();
  void defaultsAsksFirstAndNoPostsNothing();
  void defaultsAnsweredYesPostsDefaultsThenQuery();
  void selectAllTwiceSelectsThenClearsEveryEditableParameter();
  void theFramesSelectAllCommandTogglesTheBox();
  void connectReadyRebuildsTheCommonGroupAndTheTree();
  void aReportedModeQueriesAgainAndRebuildsTheTree();
  void theMouseOverThePageCommitsAnEditableDropDown();
};

void ConfigViewTest::startUpShowsTheCommonGroupAndTheSingleChannelTree() {
  ConfigViewDriver d;
  QVERIFY(d.shown);
  QStringList expected{Qs("常用配置参数"_gbk), Qs("系统参数"_gbk),   Qs("串口参数"_gbk),
                       Qs("网络参数"_gbk),     Qs("运行参数"_gbk),   Qs("短信参数"_gbk),
                       Qs("注册包参数"_gbk),   Qs("管理平台参数"_gbk), Qs("安全参数"_gbk),
                       Qs("定时参数"_gbk),     Qs("轮询参数"_gbk),   Qs("通道参数"_gbk)};
  QCOMPARE(TopLevelTexts(*d.view->Tree()), expected);
  QTreeWidgetItem* parent = ChannelParent(*d.view->Tree());
  QCOMPARE(ChildTexts(parent), QStringList{Qs("通道1参数(单通道)"_gbk)});
  QVERIFY(parent->isExpanded());
  QCOMPARE(d.view->CurrentGroup(), 0);
  QCOMPARE(d.list().rowCount(), 8);  // the shipped common parameters
  QCOMPARE(d.view->ListCaption()->title(), Qs("常用配置参数"_gbk));
  QCOMPARE(d.frame.refreshes, 1);
  QVERIFY(d.frame.catalogue_errors.messages.empty());
  QVERIFY(d.frame.posted.empty());
}

void ConfigViewTest::theTreeFollowsTheSelectorsModeAndPostsNothing() {
  ConfigViewDriver d;
  d.frame.selector_index = 2;  // MUL
  d.view->OnModeSelectorChanged();
  QCOMPARE(ChildTexts(ChannelParent(*d.view->Tree())),
           (QStringList{Qs("通道1参数(多通道)"_gbk), Qs("通道2参数(多通道)"_gbk),
                        Qs("通道3参数(多通道)"_gbk), Qs("通道4参数(多通道)"_gbk)}));
  d.frame.selector_index = 1;  // BAK
  d.view->OnModeSelectorChanged();
  QCOMPARE(ChildTexts(ChannelParent(*d.view->Tree())),
           (QStringList{Qs("通道1参数(主备通道)"_gbk), Qs("通道2参数(主备通道)"_gbk)}));
  QVERIFY(d.frame.posted.empty());
}

void ConfigViewTest::theEarlierGenerationHasNoChannelParent() {
  ConfigViewDriver d([](ConfigTestFrame& f) { f.flags.file_variant = zt::FileVariant::kS2; });
  const QStringList roots = TopLevelTexts(*d.view->Tree());
  QVERIFY(ChannelParent(*d.view->Tree()) == nullptr);
  QVERIFY(roots.contains(Qs("数据中心参数"_gbk)));
  QCOMPARE(roots.front(), Qs("常用配置参数"_gbk));
  QCOMPARE(d.list().rowCount(), 10);  // S2 adds two common parameters
}

void ConfigViewTest::withoutCommonParametersTheListStartsOnAnEmptyGroupZero() {
  zt::test::TempDir dir;
  std::string text = zt::test::ReadFileBytes(std::string(ZT_SOURCE_DATA_DIR) + "/dtuparam_s3.ini");
  QVERIFY(!text.empty());
  for (std::size_t at = text.find("is_common_param=1"); at != std::string::npos;
       at = text.find("is_common_param=1", at)) {
    text[at + 16] = '0';
  }
  QVERIFY(zt::test::WriteFileBytes(dir.File("dtuparam_s3.ini"), text));
  ConfigViewDriver d([&](ConfigTestFrame& f) { f.folder = dir.path(); });
  QCOMPARE(d.view->Tree()->topLevelItem(0)->text(0), Qs("系统参数"_gbk));
  QCOMPARE(d.view->CurrentGroup(), 0);
  QCOMPARE(d.list().rowCount(), 0);
  QCOMPARE(d.view->ListCaption()->title(), Qs("常用配置参数"_gbk));
}

void ConfigViewTest::aMissingCatalogueLeavesAnEmptyPage() {
  zt::test::TempDir dir;
  ConfigViewDriver d([&](ConfigTestFrame& f) { f.folder = dir.path(); });
  QCOMPARE(d.view->Tree()->topLevelItemCount(), 0);
  QCOMPARE(d.list().rowCount(), 0);
  QVERIFY(d.frame.catalogue_errors.messages.empty());
  QVERIFY(d.frame.catalogue_errors.fatal.empty());
}

void ConfigViewTest::aTreeClickShowsTheGroupAndItsName() {
  ConfigViewDriver d;
  QTreeWidget* tree = d.view->Tree();
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                    tree->visualItemRect(tree->topLevelItem(3)).center());
  QCOMPARE(d.view->CurrentGroup(), 3);
  QCOMPARE(d.view->ListCaption()->title(), Qs("网络参数"_gbk));
  QCOMPARE(d.list().rowCount(), 9);
  QTreeWidgetItem* parent = ChannelParent(*tree);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(parent).center());
  QCOMPARE(d.view->CurrentGroup(), 3);
  QCOMPARE(d.view->ListCaption()->title(), Qs("网络参数"_gbk));
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                    tree->visualItemRect(parent->child(0)).center());
  QCOMPARE(d.view->CurrentGroup(), 11);
  QCOMPARE(d.view->ListCaption()->title(), Qs("通道1参数(单通道)"_gbk));
}

void ConfigViewTest::commandsAreEnabledOnlyWhenConnected() {
  const char* names[] = {"queryButton", "setButton", "defaultsButton", "restartButton",
                         "commonParamsButton"};
  {
    ConfigViewDriver d;
    QVERIFY(!d.view->SelectAllBox()->isEnabled());
    for (const char* name : names) QVERIFY(!Button(d, name)->isEnabled());
    d.frame.at_mode = true;
    d.view->OnDtuConnected();
    QVERIFY(!Button(d, "queryButton")->isEnabled());
    d.frame.at_mode = false;
    d.view->OnDtuConnected();
    QVERIFY(d.view->SelectAllBox()->isEnabled());
    for (const char* name : names) QVERIFY(Button(d, name)->isEnabled());
  }
  ConfigViewDriver connected([](ConfigTestFrame& f) { f.connected = true; });
  QVERIFY(Button(connected, "setButton")->isEnabled());
  QVERIFY(connected.view->SelectAllBox()->isEnabled());
}

void ConfigViewTest::theButtonsPostWithTheSelectorsMode() {
  ConfigViewDriver d([](ConfigTestFrame& f) {
    f.connected = true;
    f.selector_index = 2;  // MUL
  });
  QCOMPARE(Button(d, "queryButton")->text(), Qs("查询参数"_gbk));
  QCOMPARE(Button(d, "setButton")->text(), Qs("设置参数"_gbk));
  QCOMPARE(Button(d, "restartButton")->text(), Qs("重启DTU"_gbk));
  QTest::mouseClick(Button(d, "queryButton"), Qt::LeftButton);
  QTest::mouseClick(Button(d, "setButton"), Qt::LeftButton);
  QTest::mouseClick(Button(d, "restartButton"), Qt::LeftButton);
  const Posted expected{zt::QueryRequest{zt::kModeMul}, zt::SetWithChannelsRequest{zt::kModeMul},
                        zt::RestartRequest{}};
  QCOMPARE(d.frame.posted, expected);
}

void ConfigViewTest::defaultsAsksFirstAndNoPostsNothing() {
  ConfigViewDriver d([](ConfigTestFrame& f) {
    f.connected = true;
    f.selector_index = 2;
  });
  std::string asked;
  d.view->SetAskYesNo([&](std::string_view text) {
    asked = std::string(text);
    return false;
  });
  QTest::mouseClick(Button(d, "defaultsButton"), Qt::LeftButton);
  QCOMPARE(asked, std::string("使用多通道模式，DTU参数将恢复到默认值，请确认是否恢复到默认值？"_gbk));
  QVERIFY(d.frame.posted.empty());
}

void ConfigViewTest::defaultsAnsweredYesPostsDefaultsThenQuery() {
  ConfigViewDriver d([](ConfigTestFrame& f) {
    f.connected = true;
    f.selector_index = 3;
  });
  d.view->SetAskYesNo([](std::string_view) { return true; });
  d.ShowGroup(5);
  QTest::mouseClick(Button(d, "defaultsButton"), Qt::LeftButton);
  const Posted expected{zt::DefaultsRequest{zt::kModeMulb}, zt::QueryRequest{zt::kModeMulb}};
  QCOMPARE(d.frame.posted, expected);
  QCOMPARE(d.view->CurrentGroup(), 0);  // the tree was rebuilt
  QCOMPARE(ChildTexts(ChannelParent(*d.view->Tree())).size(), 4);
}

void ConfigViewTest::selectAllTwiceSelectsThenClearsEveryEditableParameter() {
  ConfigViewDriver d([](ConfigTestFrame& f) { f.connected = true; });
  QCheckBox* box = d.view->SelectAllBox();
  QCOMPARE(box->text(), Qs("全选/全不选"_gbk));
  QTest::mouseClick(box, Qt::LeftButton);
  QVERIFY(d.view->SelectAllState());
  QVERIFY(box->isChecked());
  QVERIFY(AllEditableSelected(d, true));
  for (int row = 0; row < d.list().rowCount(); ++row) QVERIFY(d.RowChecked(row));
  QTest::mouseClick(box, Qt::LeftButton);
  QVERIFY(!d.view->SelectAllState());
  QVERIFY(!box->isChecked());
  QVERIFY(AllEditableSelected(d, false));
  for (int row = 0; row < d.list().rowCount(); ++row) QVERIFY(!d.RowChecked(row));
  QVERIFY(d.frame.messages.shown.empty());
}

void ConfigViewTest::theFramesSelectAllCommandTogglesTheBox() {
  ConfigViewDriver d([](ConfigTestFrame& f) { f.connected = true; });
  d.ShowGroup(1);
  d.view->SelectAllCommand();
  QVERIFY(d.view->SelectAllBox()->isChecked());
  QVERIFY(AllEditableSelected(d, true));
  QVERIFY(!d.RowCheckable(0));  // the software version stays read-only
  d.view->SelectAllCommand();
  QVERIFY(!d.view->SelectAllBox()->isChecked());
  QVERIFY(AllEditableSelected(d, false));
}

void ConfigViewTest::connectReadyRebuildsTheCommonGroupAndTheTree() {
  ConfigViewDriver d;
  d.ShowGroup(4);
  d.frame.catalogue.Write(
      [](zt::CParamCatalogue& c) { c.Param(4, 3)->is_common_param = true; });  // RCINT
  d.view->OnConnectReady();
  QCOMPARE(d.view->CurrentGroup(), 0);
  QCOMPARE(d.list().rowCount(), 9);
  QVERIFY(d.frame.posted.empty());
}

void ConfigViewTest::aReportedModeQueriesAgainAndRebuildsTheTree() {
  ConfigViewDriver d([](ConfigTestFrame& f) { f.connected = true; });
  d.frame.selector_index = 3;  // the frame has moved the selector to MULB
  d.view->OnModeIndexChanged(zt::QueryRequest{zt::kModeMulb});
  const Posted expected{zt::QueryRequest{zt::kModeMulb}};
  QCOMPARE(d.frame.posted, expected);
  QCOMPARE(ChildTexts(ChannelParent(*d.view->Tree())).front(), Qs("通道1参数(多备通道)"_gbk));
}

void ConfigViewTest::theMouseOverThePageCommitsAnEditableDropDown() {
  ConfigViewDriver d([](ConfigTestFrame& f) { f.connected = true; });
  d.ShowGroup(9);  // 定时参数
  const int row = d.Row(4);  // 时区: a list with free text
  d.SetValue(9, 4, "8");
  d.list().Refill();
  d.SetRowChecked(row, true);
  d.ClickCell(row, 1);
  auto* combo = qobject_cast<QComboBox*>(d.list().Editor());
  QVERIFY(combo != nullptr);
  combo->setEditText("9");
  QTest::mouseMove(d.list().viewport(), d.list().viewport()->rect().center());
  QVERIFY(d.list().HasCustomListEditor());  // still over the list
  QTest::mouseMove(Button(d, "queryButton"));
  QVERIFY(!d.list().HasCustomListEditor());
  QCOMPARE(d.Value(9, 4), std::string("9"));
}

QTEST_MAIN(ConfigViewTest)
#include "tst_config_view.moc"
