#include "params/common_param_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue_builder.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::CatalogueBuilder;
using Add = CommonParamList::AddOutcome;

// Group 1 "系统参数":
//   1 名称A          plain
//   2 只读           read-only
//   3 长度 <-> 4 内容 a custom pair naming each other
//   5 前  -> 2 只读  (the read-only one)
//   6 后             plain
//   7 甲  -> 6 后    (后 names nobody)
// Group 2 "wmmp参数", group 3 "WMMP平台": never offered.
// Group 4 "Wmmp设置": offered (only the two spellings are left out).
// Group 5: bound to channel 1; group 6: channel 0. Neither is offered.
// Group 7: no parameters.
// Group 8 "串口参数": 波特率 and 数据位 marked common, 校验位 not.
std::unique_ptr<CParamCatalogue> Fixture() {
  CatalogueBuilder b;
  b.Groups(8).Group(1, "系统参数"_gbk, 7);
  b.Param(1, 1, "0x0101", "ASCSTR", "名称A"_gbk);
  b.Param(1, 2, "0x0102", "ASCSTR", "只读"_gbk).Entry("readonly", "1");
  b.Param(1, 3, "0x0103", "INT1", "长度"_gbk).Entry("is_cust_param", "1").Entry("relation_code", "0x0104");
  b.Param(1, 4, "0x0104", "ASCSTR", "内容"_gbk).Entry("is_cust_param", "1").Entry("relation_code", "0x0103");
  b.Param(1, 5, "0x0105", "INT1", "前"_gbk).Entry("is_cust_param", "1").Entry("relation_code", "0x0102");
  b.Param(1, 6, "0x0106", "ASCSTR", "后"_gbk);
  b.Param(1, 7, "0x0107", "INT1", "甲"_gbk).Entry("is_cust_param", "1").Entry("relation_code", "0x0106");
  b.PlainGroup(2, "wmmp参数"_gbk, 1).PlainGroup(3, "WMMP平台"_gbk, 1).PlainGroup(4, "Wmmp设置"_gbk, 1);
  b.Group(5, "通道1"_gbk, 1, 1, "0x01").Param(5, 1, "0x0501", "ASCSTR", "服务器"_gbk);
  b.Group(6, "通道0"_gbk, 1, 0, "0x01").Param(6, 1, "0x0601", "ASCSTR", "零"_gbk);
  b.Group(7, "空"_gbk, 0);
  b.Group(8, "串口参数"_gbk, 3);
  b.Param(8, 1, "0x0801", "INT4", "波特率"_gbk).Entry("is_common_param", "1").Entry("tip", "baud");
  b.Param(8, 2, "0x0802", "INT1", "数据位"_gbk).Entry("is_common_param", "1");
  b.Param(8, 3, "0x0803", "INT1", "校验位"_gbk);
  auto c = std::make_unique<CParamCatalogue>();
  EXPECT_TRUE(test::LoadText(b.text(), *c).loaded());
  c->RebuildCommonGroup();
  return c;
}

CommonParamList Opened() { return CommonParamList::FromCatalogue(*Fixture()); }

std::vector<CommonParamLine> Lines(std::initializer_list<std::pair<std::string_view, int>> lines) {
  std::vector<CommonParamLine> out;
  for (const auto& [name, group] : lines) out.push_back({std::string(name), group});
  return out;
}

TEST(CommonParamTree, OffersGroupsNotBoundToAChannelAndWithoutTheWmmpSpellings) {
  const CommonParamList list = Opened();
  std::vector<int> groups;
  for (const CommonTreeGroup& g : list.Tree()) groups.push_back(g.group);
  EXPECT_EQ(groups, (std::vector<int>{1, 4, 8}));
  EXPECT_EQ(list.Tree()[1].name, "Wmmp设置"_gbk);
}

TEST(CommonParamTree, LeavesReadOnlyParametersOut) {
  const CommonParamList list = Opened();
  std::vector<std::string> expected;
  for (const std::string_view name : {"名称A"_gbk, "长度"_gbk, "内容"_gbk, "前"_gbk, "后"_gbk, "甲"_gbk}) {
    expected.emplace_back(name);
  }
  EXPECT_EQ(list.Tree()[0].params, expected);
}

TEST(CommonParamLines, StartAsTheCommonGroupWithHomeGroups) {
  EXPECT_EQ(Opened().Lines(), Lines({{"波特率"_gbk, 8}, {"数据位"_gbk, 8}}));
}

TEST(CommonParamLines, StartEmptyWithoutCommonParameters) {
  auto c = Fixture();
  c->groups[0] = ParamGroup{};
  c->groups[0].name = std::string(CommonGroupName());
  EXPECT_TRUE(CommonParamList::FromCatalogue(*c).Lines().empty());
}

TEST(CommonParamAdd, AddingAParameterAddsItsRelatedOne) {
  CommonParamList list = Opened();
  list.DeleteAll();
  EXPECT_EQ(list.AddParam("长度"_gbk, 1), Add::kAdded);
  EXPECT_EQ(list.Lines(), Lines({{"长度"_gbk, 1}, {"内容"_gbk, 1}}));
}

TEST(CommonParamAdd, TheRelatedParameterComesEvenWhenReadOnly) {
  CommonParamList list = Opened();
  list.DeleteAll();
  list.AddParam("前"_gbk, 1);
  EXPECT_EQ(list.Lines(), Lines({{"前"_gbk, 1}, {"只读"_gbk, 1}}));
}

TEST(CommonParamAdd, AddingTwiceLeavesOneLine) {
  CommonParamList list = Opened();
  list.DeleteAll();
  EXPECT_EQ(list.AddParam("名称A"_gbk, 1), Add::kAdded);
  EXPECT_EQ(list.AddParam("名称A"_gbk, 1), Add::kUnchanged);
  EXPECT_EQ(list.Lines(), Lines({{"名称A"_gbk, 1}}));
}

TEST(CommonParamAdd, ARelatedLineAlreadyThereIsNotAddedAgain) {
  CommonParamList list = Opened();
  list.DeleteAll();
  list.AddParam("内容"_gbk, 1);
  list.AddParam("长度"_gbk, 1);
  EXPECT_EQ(list.Lines(), Lines({{"内容"_gbk, 1}, {"长度"_gbk, 1}}));
}

TEST(CommonParamAdd, AGroupAddsItsChildrenWithoutRelatedOnes) {
  CommonParamList list = Opened();
  EXPECT_EQ(list.AddGroup(1), Add::kAdded);
  EXPECT_EQ(list.Lines(), Lines({{"波特率"_gbk, 8},
                                 {"数据位"_gbk, 8},
                                 {"名称A"_gbk, 1},
                                 {"长度"_gbk, 1},
                                 {"内容"_gbk, 1},
                                 {"前"_gbk, 1},
                                 {"后"_gbk, 1},
                                 {"甲"_gbk, 1}}));
}

TEST(CommonParamAdd, AGroupAddsOnlyTheChildrenNotYetListed) {
  CommonParamList list = Opened();
  EXPECT_EQ(list.AddGroup(8), Add::kAdded);
  EXPECT_EQ(list.Lines(), Lines({{"波特率"_gbk, 8}, {"数据位"_gbk, 8}, {"校验位"_gbk, 8}}));
  EXPECT_EQ(list.AddGroup(8), Add::kUnchanged);
}

TEST(CommonParamAdd, AGroupThatIsNotOfferedAddsNothing) {
  CommonParamList list = Opened();
  EXPECT_EQ(list.AddGroup(2), Add::kUnchanged);
  EXPECT_EQ(list.AddGroup(5), Add::kUnchanged);
  EXPECT_EQ(list.Lines().size(), 2u);
}

TEST(CommonParamDelete, DeletingTheFirstOfAPairDeletesBoth) {
  CommonParamList list = Opened();
  list.DeleteAll();
  list.AddParam("甲"_gbk, 1);
  list.AddParam("名称A"_gbk, 1);
  const CommonParamList::DeleteOutcome outcome = list.Delete(0);
  EXPECT_TRUE(outcome.deleted);
  EXPECT_EQ(list.Lines(), Lines({{"名称A"_gbk, 1}}));
  EXPECT_EQ(outcome.select, 0);  // 名称A took the related line's place
}

TEST(CommonParamDelete, DeletingTheRelatedOneDeletesOnlyIt) {
  CommonParamList list = Opened();
  list.DeleteAll();
  list.AddParam("甲"_gbk, 1);  // 甲, 后
  list.Delete(1);
  EXPECT_EQ(list.Lines(), Lines({{"甲"_gbk, 1}}));
}

TEST(CommonParamDelete, DeletingEitherMemberOfAMutualPairDeletesBoth) {
  CommonParamList list = Opened();
  list.DeleteAll();
  list.AddParam("长度"_gbk, 1);
  list.Delete(1);
  EXPECT_TRUE(list.Lines().empty());
}

TEST(CommonParamDelete, SelectsTheLineThatTookTheDeletedPlace) {
  CommonParamList list = Opened();  // 波特率, 数据位
  list.AddParam("名称A"_gbk, 1);
  EXPECT_EQ(list.Delete(1).select, 1);
  EXPECT_EQ(list.Lines(), Lines({{"波特率"_gbk, 8}, {"名称A"_gbk, 1}}));
  EXPECT_EQ(list.Delete(1).select, std::nullopt);  // nothing after the last line
}

TEST(CommonParamDelete, AnIndexOutsideTheListDeletesNothing) {
  CommonParamList list = Opened();
  EXPECT_FALSE(list.Delete(-1).deleted);
  EXPECT_FALSE(list.Delete(2).deleted);
  EXPECT_EQ(list.Lines().size(), 2u);
}

TEST(CommonParamRelated, GroupZeroAndUnrelatedParametersHaveNone) {
  const CommonParamList list = Opened();
  EXPECT_EQ(list.RelatedName("波特率"_gbk, 0), std::nullopt);
  EXPECT_EQ(list.RelatedName("名称A"_gbk, 1), std::nullopt);
  EXPECT_EQ(list.RelatedName("后"_gbk, 1), std::nullopt);
  EXPECT_EQ(list.RelatedName("甲"_gbk, 1), "后"_gbk);
}

// 64 plain parameters in group 1, a custom pair in group 2.
std::unique_ptr<CParamCatalogue> FullFixture() {
  CatalogueBuilder b;
  b.Groups(2).PlainGroup(1, "大组"_gbk, 64);
  b.Group(2, "注册包"_gbk, 3);
  b.Param(2, 1, "0x0201", "INT1", "长度"_gbk).Entry("is_cust_param", "1").Entry("relation_code", "0x0202");
  b.Param(2, 2, "0x0202", "ASCSTR", "内容"_gbk).Entry("is_cust_param", "1").Entry("relation_code", "0x0201");
  b.Param(2, 3, "0x0203", "ASCSTR", "单个"_gbk);
  auto c = std::make_unique<CParamCatalogue>();
  EXPECT_TRUE(test::LoadText(b.text(), *c).loaded());
  return c;
}

TEST(CommonParamLimit, SixtyFourLinesAreAcceptedAndTheNextIsRefused) {
  CommonParamList list = CommonParamList::FromCatalogue(*FullFixture());
  EXPECT_EQ(list.AddGroup(1), Add::kAdded);
  EXPECT_EQ(list.Lines().size(), 64u);
  EXPECT_EQ(list.AddParam("单个"_gbk, 2), Add::kFull);
  EXPECT_EQ(list.AddGroup(2), Add::kFull);
  EXPECT_EQ(list.Lines().size(), 64u);
  // Already listed: nothing to refuse.
  EXPECT_EQ(list.AddParam("p1_1", 1), Add::kUnchanged);
}

TEST(CommonParamLimit, APairThatDoesNotFitIsRefusedAsAWhole) {
  CommonParamList list = CommonParamList::FromCatalogue(*FullFixture());
  list.AddGroup(1);
  list.Delete(63);  // 63 lines: room for one
  EXPECT_EQ(list.AddParam("长度"_gbk, 2), Add::kFull);
  EXPECT_EQ(list.Lines().size(), 63u);
  EXPECT_EQ(list.AddParam("单个"_gbk, 2), Add::kAdded);
  EXPECT_EQ(list.Lines().size(), 64u);
}

TEST(CommonParamLimit, AGroupThatDoesNotFitIsRefusedAsAWhole) {
  CommonParamList list = CommonParamList::FromCatalogue(*FullFixture());
  list.AddParam("单个"_gbk, 2);
  EXPECT_EQ(list.AddGroup(1), Add::kFull);
  EXPECT_EQ(list.Lines(), Lines({{"单个"_gbk, 2}}));
}

TEST(CommonParamLimit, TheRefusalText) { EXPECT_EQ(CommonParamsFullText(), "常用配置参数不能超过64个"_gbk); }

TEST(CommonParamApply, RebuildsGroupZeroInListOrderAndSetsTheMarks) {
  auto c = Fixture();
  c->groups[8].params[2].value = "NONE";
  c->groups[8].params[2].selected = true;
  const int count = ApplyCommonParams(*c, Lines({{"校验位"_gbk, 8}, {"长度"_gbk, 1}, {"波特率"_gbk, 8}}));
  EXPECT_EQ(count, 3);
  const ParamGroup& common = c->groups[0];
  EXPECT_EQ(common.name, "常用配置参数"_gbk);
  ASSERT_EQ(common.count, 3);
  EXPECT_EQ(common.params[0].name, "校验位"_gbk);
  EXPECT_EQ(common.params[0].code, 0x0803);
  EXPECT_EQ(common.params[0].value, "NONE");
  EXPECT_TRUE(common.params[0].selected);
  EXPECT_EQ(common.params[0].tip, "[串口参数]"_gbk);
  EXPECT_EQ(common.params[0].home_group, 8);
  EXPECT_TRUE(common.params[0].is_common_param);
  EXPECT_EQ(common.params[1].name, "长度"_gbk);
  EXPECT_TRUE(common.params[1].is_cust_param);
  EXPECT_EQ(common.params[1].relation_code, 0x0104);
  EXPECT_EQ(common.params[2].tip, "baud[串口参数]"_gbk);
  EXPECT_EQ(common.params[3], ParamDef{});

  const CommonParamMarks marks = CollectCommonMarks(*c);
  EXPECT_EQ(marks[8], (std::vector<bool>{true, false, true}));  // 数据位 lost its mark
  EXPECT_EQ(marks[1], (std::vector<bool>{false, false, true, false, false, false, false}));
  EXPECT_TRUE(marks[0].empty());
  EXPECT_TRUE(marks[7].empty());  // no parameters
  EXPECT_EQ(marks[5], (std::vector<bool>{false}));
}

TEST(CommonParamApply, AnEmptyListClearsGroupZeroAndEveryMark) {
  auto c = Fixture();
  EXPECT_EQ(ApplyCommonParams(*c, {}), 0);
  EXPECT_EQ(c->groups[0].count, 0);
  EXPECT_EQ(c->groups[0].name, "常用配置参数"_gbk);
  for (const auto& row : CollectCommonMarks(*c)) {
    for (const bool mark : row) EXPECT_FALSE(mark);
  }
}

TEST(CommonParamApply, LinesThatNameNoParameterAreLeftOut) {
  auto c = Fixture();
  ApplyCommonParams(*c, Lines({{"不存在"_gbk, 1}, {"后"_gbk, 1}, {"后"_gbk, 9}, {"后"_gbk, 0}}));
  ASSERT_EQ(c->groups[0].count, 1);
  EXPECT_EQ(c->groups[0].params[0].name, "后"_gbk);
}

TEST(CommonParamApply, AnEditInTheCommonGroupReachesItsSource) {
  auto c = Fixture();
  ApplyCommonParams(*c, Lines({{"后"_gbk, 1}}));
  c->groups[0].params[0].value = "X";
  // The value check syncs copies of parameters marked common.
  ASSERT_TRUE(c->groups[0].params[0].is_common_param);
  c->SyncValue(0, 0);
  EXPECT_EQ(c->groups[1].params[5].value, "X");
}

TEST(CommonParamApply, TheNextRebuildFromTheMarksTakesCatalogueOrder) {
  auto c = Fixture();
  ApplyCommonParams(*c, Lines({{"校验位"_gbk, 8}, {"名称A"_gbk, 1}}));
  ASSERT_TRUE(c->RebuildCommonGroup());
  ASSERT_EQ(c->groups[0].count, 2);
  EXPECT_EQ(c->groups[0].params[0].name, "名称A"_gbk);
  EXPECT_EQ(c->groups[0].params[1].name, "校验位"_gbk);
}

}  // namespace
}  // namespace zt
