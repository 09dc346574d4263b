// What the parameter view shows of the catalogue and how its check boxes
// change the selection marks.
#include <memory>

#include <gtest/gtest.h>

#include "catalogue_builder.h"
#include "params/param_view_model.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::CatalogueBuilder;

// Group 1 "系统参数": a plain parameter, then the channel-mode keyword in the
// middle, then a read-only one. Group 2 "通道1参数(单通道)": chn 1, SIN.
// Group 3 "通道1参数(多通道)": chn 1, MUL and MULB. Group 4 "运行参数": a
// common parameter. Group 5 "空": declared without parameters.
std::unique_ptr<CParamCatalogue> TreeFixture() {
  CatalogueBuilder b;
  b.Groups(5).Group(1, "系统参数"_gbk, 3);
  b.Param(1, 1, "0x0101", "ASCSTR", "设备名称"_gbk, "DEVNAME");
  b.Param(1, 2, "0x0102", "ASCSTR", "DTU通道运行模式"_gbk, "OPPRM");
  b.Param(1, 3, "0x0103", "ASCSTR", "软件版本"_gbk, "SPSV").Entry("readonly", "1");
  b.Group(2, "通道1参数(单通道)"_gbk, 1, 1, "0x01").Param(2, 1, "0x0201");
  b.Group(3, "通道1参数(多通道)"_gbk, 1, 1, "0x0c").Param(3, 1, "0x0301");
  b.Group(4, "运行参数"_gbk, 1).Param(4, 1, "0x0401", "ASCSTR", "心跳"_gbk, "HBINT");
  b.Entry("is_common_param", "1");
  b.Group(5, "空"_gbk, 0);
  auto c = std::make_unique<CParamCatalogue>();
  EXPECT_TRUE(test::LoadText(b.text(), *c).loaded());
  c->RebuildCommonGroup();
  return c;
}

TEST(GroupTree, LaterGenerationPutsTheModesChannelGroupsUnderOneParent) {
  auto c = TreeFixture();
  const auto roots = BuildGroupTree(*c, true, kModeSin);
  ASSERT_EQ(roots.size(), 4u);
  EXPECT_EQ(roots[0].group, 0);
  EXPECT_EQ(roots[0].name, "常用配置参数"_gbk);
  EXPECT_EQ(roots[1].group, 1);
  EXPECT_TRUE(roots[2].is_channel_parent());
  EXPECT_EQ(roots[2].name, "通道参数"_gbk);
  ASSERT_EQ(roots[2].children.size(), 1u);
  EXPECT_EQ(roots[2].children[0].group, 2);
  EXPECT_EQ(roots[3].group, 4);
}

TEST(GroupTree, AGroupOfSeveralModesShowsInEachOfThem) {
  auto c = TreeFixture();
  for (const std::int32_t mode : {kModeMul, kModeMulb}) {
    const auto roots = BuildGroupTree(*c, true, mode);
    ASSERT_EQ(roots.size(), 4u);
    ASSERT_EQ(roots[2].children.size(), 1u);
    EXPECT_EQ(roots[2].children[0].group, 3);
  }
}

TEST(GroupTree, AModeWithoutChannelGroupsHasNoParent) {
  auto c = TreeFixture();
  const auto roots = BuildGroupTree(*c, true, kModeBak);
  ASSERT_EQ(roots.size(), 3u);
  for (const auto& item : roots) EXPECT_FALSE(item.is_channel_parent());
}

TEST(GroupTree, EarlierGenerationShowsEveryGroupAtTheRoot) {
  auto c = TreeFixture();
  const auto roots = BuildGroupTree(*c, false, kModeSin);
  ASSERT_EQ(roots.size(), 5u);
  EXPECT_EQ(roots[2].group, 2);
  EXPECT_EQ(roots[3].group, 3);
}

TEST(GroupTree, AnEmptyCommonGroupIsLeftOut) {
  auto c = TreeFixture();
  c->groups[4].params[0].is_common_param = false;
  c->RebuildCommonGroup();
  const auto roots = BuildGroupTree(*c, true, kModeSin);
  EXPECT_EQ(roots[0].group, 1);
}

TEST(ListRows, TheChannelModeParameterHasNoRowWhereverItLies) {
  auto c = TreeFixture();
  const auto rows = ListRows(*c, 1);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].slot, 0);
  EXPECT_EQ(rows[1].slot, 2);
  EXPECT_EQ(rows[1].name, "软件版本"_gbk);
}

TEST(ListRows, ReadOnlyRowsCarryNoCheckBoxAndAreNeverTicked) {
  auto c = TreeFixture();
  c->groups[1].params[0].selected = true;
  c->groups[1].params[2].selected = true;
  const auto rows = ListRows(*c, 1);
  EXPECT_TRUE(rows[0].checkable);
  EXPECT_TRUE(rows[0].checked);
  EXPECT_FALSE(rows[1].checkable);
  EXPECT_FALSE(rows[1].checked);
}

TEST(ListRows, APasswordShowsOneStarPerByte) {
  auto c = TreeFixture();
  ParamDef& p = c->groups[1].params[0];
  p.is_password = true;
  p.value = "12\xb0\xa1";  // two digits and one double-byte character
  const auto rows = ListRows(*c, 1);
  EXPECT_EQ(rows[0].value, "****");
  EXPECT_TRUE(rows[0].is_password);
}

TEST(ListRows, AGroupOutsideTheTableHasNoRows) {
  auto c = TreeFixture();
  EXPECT_TRUE(ListRows(*c, -1).empty());
  EXPECT_TRUE(ListRows(*c, 30).empty());
}

TEST(EditorKind, ChosenByTheParametersKind) {
  ParamDef p;
  EXPECT_EQ(EditorFor(p), EditorKind::kEditBox);
  p.is_cust_param = true;
  EXPECT_EQ(EditorFor(p), EditorKind::kCustomDialog);
  p.is_list = true;
  EXPECT_EQ(EditorFor(p), EditorKind::kDropDown);
  p.readonly = true;
  EXPECT_EQ(EditorFor(p), EditorKind::kNone);
}

TEST(DropDownPreselection, FirstOptionBeginningWithTheCellIgnoringCase) {
  const std::vector<std::string> options{"TCP", "UDP", "udp-lite", ""};
  EXPECT_EQ(FirstOptionStartingWith(options, "udp"), 1);
  EXPECT_EQ(FirstOptionStartingWith(options, "Udp-"), 2);
  EXPECT_EQ(FirstOptionStartingWith(options, "0"), -1);
  EXPECT_EQ(FirstOptionStartingWith(options, ""), 0);
}

// Group 1: a custom pair REGLEN (length member) / REGDATA, both common, and a
// read-only parameter. Group 2: a custom member whose partner is missing.
std::unique_ptr<CParamCatalogue> PairFixture() {
  CatalogueBuilder b;
  b.Groups(2).Group(1, "注册包参数"_gbk, 3);
  b.Param(1, 1, "0x0101", "INT2", "注册包长度"_gbk, "REGLEN").Entry("is_cust_param", "1");
  b.Entry("relation_code", "0x0102").Entry("fixed_length", "1").Entry("is_common_param", "1");
  b.Param(1, 2, "0x0102", "HEXSTR", "注册包内容"_gbk, "REGDATA").Entry("is_cust_param", "1");
  b.Entry("relation_code", "0x0101").Entry("is_common_param", "1");
  b.Param(1, 3, "0x0103", "ASCSTR", "软件版本"_gbk, "SPSV").Entry("readonly", "1");
  b.Group(2, "孤立"_gbk, 1);
  b.Param(2, 1, "0x0201", "ASCSTR", "单个"_gbk, "ALONE").Entry("is_cust_param", "1");
  b.Entry("relation_code", "0x0299");
  auto c = std::make_unique<CParamCatalogue>();
  EXPECT_TRUE(test::LoadText(b.text(), *c).loaded());
  c->RebuildCommonGroup();
  return c;
}

TEST(Selection, TickingAPairMemberTicksItsPartnerAndTheCommonCopies) {
  auto c = PairFixture();
  const SelectionChange change = ApplySelection(*c, 1, 1, true);
  EXPECT_EQ(change.outcome, SelectionChange::Outcome::kApplied);
  EXPECT_EQ(change.partner, 0);
  EXPECT_TRUE(c->groups[1].params[0].selected);
  EXPECT_TRUE(c->groups[1].params[1].selected);
  EXPECT_TRUE(c->groups[0].params[0].selected);
  EXPECT_TRUE(c->groups[0].params[1].selected);
}

TEST(Selection, UntickingAPairMemberUnticksItsPartner) {
  auto c = PairFixture();
  ApplySelection(*c, 1, 0, true);
  const SelectionChange change = ApplySelection(*c, 1, 0, false);
  EXPECT_EQ(change.partner, 1);
  EXPECT_FALSE(c->groups[1].params[1].selected);
  EXPECT_FALSE(c->groups[0].params[1].selected);
}

TEST(Selection, TickingACommonCopyMarksItsHomeGroup) {
  auto c = PairFixture();
  const SelectionChange change = ApplySelection(*c, 0, 0, true);
  EXPECT_EQ(change.partner, 1);
  EXPECT_TRUE(c->groups[1].params[0].selected);
  EXPECT_TRUE(c->groups[1].params[1].selected);
}

TEST(Selection, AReadOnlyParameterIsRefused) {
  auto c = PairFixture();
  const SelectionChange change = ApplySelection(*c, 1, 2, true);
  EXPECT_EQ(change.outcome, SelectionChange::Outcome::kReadOnly);
  EXPECT_FALSE(c->groups[1].params[2].selected);
}

TEST(Selection, AMissingPartnerIsReportedAndTheMarkFollowsTheBox) {
  auto c = PairFixture();
  const SelectionChange change = ApplySelection(*c, 2, 0, true);
  EXPECT_EQ(change.outcome, SelectionChange::Outcome::kMissingPartner);
  EXPECT_EQ(change.partner, -1);
  EXPECT_TRUE(c->groups[2].params[0].selected);
  EXPECT_EQ(RelationCodeErrorCaption(c->groups[2].name, c->groups[2].params[0].name),
            "[孤立, 单个]"_gbk);
  EXPECT_EQ(RelationCodeErrorText(), "relation code  error");
}

TEST(Selection, OutsideTheTableChangesNothing) {
  auto c = PairFixture();
  EXPECT_EQ(ApplySelection(*c, 1, 64, true).outcome, SelectionChange::Outcome::kApplied);
  EXPECT_EQ(ApplySelection(*c, 31, 0, true).partner, -1);
}

}  // namespace
}  // namespace zt
