#include <memory>

#include <gtest/gtest.h>

#include "catalogue_builder.h"
#include "params/param_catalogue.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::CatalogueBuilder;

// Group 1 "网络参数": APN (common), APNPWD (common, read-only), DNS1.
// Group 2 "串口参数": UBAUD (common), APN (a second parameter with that keyword).
// Group 3 "空": no parameters.
std::unique_ptr<CParamCatalogue> CommonFixture() {
  CatalogueBuilder b;
  b.Groups(3).Group(1, "网络参数"_gbk, 3);
  b.Param(1, 1, "0x0101", "ASCSTR", "接入点名称"_gbk, "APN").Entry("is_common_param", "1");
  b.Entry("tip", "apn tip");
  b.Param(1, 2, "0x0102", "ASCSTR", "APN密码"_gbk, "APNPWD").Entry("is_common_param", "1");
  b.Entry("readonly", "1");
  b.Param(1, 3, "0x0103", "ASCSTR", "DNS", "DNS1");
  b.Group(2, "串口参数"_gbk, 2);
  b.Param(2, 1, "0x0201", "INT4", "波特率"_gbk, "UBAUD").Entry("is_common_param", "1");
  b.Param(2, 2, "0x0202", "ASCSTR", "apn2", "APN");
  b.Group(3, "空"_gbk, 0);
  auto c = std::make_unique<CParamCatalogue>();
  EXPECT_TRUE(test::LoadText(b.text(), *c).loaded());
  return c;
}

TEST(CommonGroup, CopiesCommonParametersThatAreNotReadOnlyInCatalogueOrder) {
  auto c = CommonFixture();
  c->groups[1].params[0].value = "CMNET";
  ASSERT_TRUE(c->RebuildCommonGroup());
  const ParamGroup& common = c->groups[0];
  EXPECT_EQ(common.name, "常用配置参数"_gbk);
  ASSERT_EQ(common.count, 2);
  EXPECT_EQ(common.params[0].short_name, "APN");
  EXPECT_EQ(common.params[0].value, "CMNET");
  EXPECT_EQ(common.params[0].code, 0x0101);
  EXPECT_EQ(common.params[0].tip, "apn tip[网络参数]"_gbk);
  EXPECT_EQ(common.params[0].home_group, 1);
  EXPECT_EQ(common.params[1].short_name, "UBAUD");
  EXPECT_EQ(common.params[1].tip, "[串口参数]"_gbk);
  EXPECT_EQ(common.params[1].home_group, 2);
}

TEST(CommonGroup, ARebuildEmptiesTheSlotFirst) {
  auto c = CommonFixture();
  ASSERT_TRUE(c->RebuildCommonGroup());
  c->groups[2].params[0].is_common_param = false;
  ASSERT_TRUE(c->RebuildCommonGroup());
  EXPECT_EQ(c->groups[0].count, 1);
  EXPECT_EQ(c->groups[0].params[1].short_name, "");
}

TEST(SyncValue, FromTheCommonGroupToTheFirstMatchOfEveryGroup) {
  auto c = CommonFixture();
  ASSERT_TRUE(c->RebuildCommonGroup());
  c->groups[0].params[0].value = "ZRNET";
  c->SyncValue(0, 0);
  EXPECT_EQ(c->groups[1].params[0].value, "ZRNET");
  EXPECT_EQ(c->groups[2].params[1].value, "ZRNET");  // the keyword matches there too
  EXPECT_EQ(c->groups[1].params[2].value, "");
}

TEST(SyncValue, FromAGroupToTheCommonCopy) {
  auto c = CommonFixture();
  ASSERT_TRUE(c->RebuildCommonGroup());
  c->groups[2].params[0].value = "9600";
  c->SyncValue(2, 0);
  EXPECT_EQ(c->groups[0].params[1].value, "9600");
  EXPECT_EQ(c->groups[0].params[0].value, "");
}

TEST(SyncValue, OutsideTheTableNothingHappens) {
  auto c = CommonFixture();
  c->SyncValue(30, 0);
  c->SyncValue(1, 64);
  c->SyncValue(-1, -1);
  SUCCEED();
}

TEST(SyncSelected, CopiesTheSelectionTheSameWay) {
  auto c = CommonFixture();
  ASSERT_TRUE(c->RebuildCommonGroup());
  c->groups[0].params[1].selected = true;
  c->SyncSelected(0, 1);
  EXPECT_TRUE(c->groups[2].params[0].selected);
  c->groups[1].params[0].selected = true;
  c->SyncSelected(1, 0);
  EXPECT_TRUE(c->groups[0].params[0].selected);
  EXPECT_EQ(c->groups[0].params[0].value, "");  // only the selection moves
}

TEST(SetAllSelected, EveryParameterButTheReadOnlyOnes) {
  auto c = CommonFixture();
  ASSERT_TRUE(c->RebuildCommonGroup());
  c->SetAllSelected(true);
  EXPECT_TRUE(c->groups[0].params[0].selected);
  EXPECT_TRUE(c->groups[1].params[0].selected);
  EXPECT_FALSE(c->groups[1].params[1].selected);
  EXPECT_TRUE(c->groups[2].params[1].selected);
  EXPECT_FALSE(c->groups[1].params[3].selected);  // beyond the group's count
  c->groups[1].params[1].selected = true;
  c->SetAllSelected(false);
  EXPECT_FALSE(c->groups[1].params[0].selected);
  EXPECT_TRUE(c->groups[1].params[1].selected);  // read-only keeps its state
}

TEST(FindParamByCode, FirstMatchAmongTheGroupsParameters) {
  auto c = CommonFixture();
  EXPECT_EQ(c->FindParamByCode(1, 0x0103), 2);
  EXPECT_EQ(c->FindParamByCode(1, 0x0201), -1);
  EXPECT_EQ(c->FindParamByCode(1, 0), -1);  // free slots are not searched
  EXPECT_EQ(c->FindParamByCode(3, 0), -1);
  EXPECT_EQ(c->FindParamByCode(31, 0x0101), -1);
}

TEST(CatalogueAccess, OutOfRangeGroupsAndSlotsGiveNothing) {
  auto c = CommonFixture();
  EXPECT_EQ(c->Group(-1), nullptr);
  EXPECT_EQ(c->Group(30), nullptr);
  EXPECT_NE(c->Group(29), nullptr);
  EXPECT_EQ(c->Param(1, 64), nullptr);
  EXPECT_EQ(c->Param(1, -1), nullptr);
  EXPECT_EQ(c->Param(1, 2)->short_name, "DNS1");
}

}  // namespace
}  // namespace zt
