// A catalogue file must never make the loader write past the table's fixed
// capacity; these run under AddressSanitizer in CI.
#include <memory>

#include <gtest/gtest.h>

#include "catalogue_builder.h"
#include "params/catalogue_loader.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::CatalogueBuilder;
using test::LoadText;

TEST(CatalogueCapacity, AGroupCountAbove64IsRefusedNamingTheSection) {
  CatalogueBuilder b;
  b.Groups(2).PlainGroup(1, "a", 1).PlainGroup(2, "b", 64);
  b.Section("group2").Entry("count", "65");
  b.Param(2, 65, "0x0241");
  auto c = std::make_unique<CParamCatalogue>();
  const CatalogueLoadResult r = LoadText(b.text(), *c);
  EXPECT_EQ(r.status, CatalogueLoadStatus::kFileError);
  EXPECT_EQ(r.message, "[group2] count=65: 每组最多64个参数"_gbk);
  EXPECT_EQ(c->groups[2].count, 0);
  EXPECT_EQ(c->groups[2].params[63].code, 0);
  EXPECT_EQ(c->groups[1].params[0].code, 0x0101);  // read before the refusal
}

TEST(CatalogueCapacity, AnAbsentOrNegativeGroupCountIsRefused) {
  CatalogueBuilder absent;
  absent.Groups(1).Section("group1").Entry("name", "a");
  auto c = std::make_unique<CParamCatalogue>();
  const CatalogueLoadResult r = LoadText(absent.text(), *c);
  EXPECT_EQ(r.status, CatalogueLoadStatus::kFileError);
  EXPECT_EQ(r.message, "[group1] count=256: 每组最多64个参数"_gbk);
  CatalogueBuilder negative;
  negative.Groups(1).Group(1, "a", -1);
  EXPECT_EQ(LoadText(negative.text(), *c).status, CatalogueLoadStatus::kFileError);
}

TEST(CatalogueCapacity, ANegativeNumberOfGroupsIsRefused) {
  CatalogueBuilder b;
  b.Groups(-1).PlainGroup(1, "a", 1);
  auto c = std::make_unique<CParamCatalogue>();
  const CatalogueLoadResult r = LoadText(b.text(), *c);
  EXPECT_EQ(r.status, CatalogueLoadStatus::kFileError);
  EXPECT_EQ(r.message, "[group] count=-1: 组数无效"_gbk);
}

TEST(CatalogueCapacity, SixtyFourParametersFillAGroup) {
  CatalogueBuilder b;
  b.Groups(1).PlainGroup(1, "full", 64);
  auto c = std::make_unique<CParamCatalogue>();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->groups[1].count, 64);
  EXPECT_EQ(c->groups[1].params[63].code, 0x0140);
}

void AddCommonGroup(CatalogueBuilder& b, int g, int count, bool readonly_last = false) {
  b.Group(g, Format("common%d", g), count);
  for (int n = 1; n <= count; ++n) {
    b.Param(g, n, Format("0x%04x", g * 256 + n)).Entry("is_common_param", "1");
    if (readonly_last && n == count) b.Entry("readonly", "1");
  }
}

TEST(CatalogueCapacity, MoreThan64CommonParametersAreRefusedNamingTheSection) {
  CatalogueBuilder b;
  b.Groups(2);
  AddCommonGroup(b, 1, 40);
  AddCommonGroup(b, 2, 25);
  auto c = std::make_unique<CParamCatalogue>();
  const CatalogueLoadResult r = LoadText(b.text(), *c);
  EXPECT_EQ(r.status, CatalogueLoadStatus::kFileError);
  EXPECT_EQ(r.message, "[group2_parm25] 常用配置参数超过64个"_gbk);
  EXPECT_TRUE(c->RebuildCommonGroup() == false);
  EXPECT_EQ(c->groups[0].count, 64);
}

TEST(CatalogueCapacity, ReadOnlyCommonParametersDoNotCount) {
  CatalogueBuilder b;
  b.Groups(2);
  AddCommonGroup(b, 1, 40);
  AddCommonGroup(b, 2, 25, /*readonly_last=*/true);
  auto c = std::make_unique<CParamCatalogue>();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_TRUE(c->RebuildCommonGroup());
  EXPECT_EQ(c->groups[0].count, 64);
}

TEST(CatalogueCapacity, AValueOf300BytesIsCutAt255) {
  CatalogueBuilder b;
  b.Groups(1).Group(1, "g", 1).Param(1, 1, "0x0101");
  b.Entry("default", std::string(300, 'd')).Entry("tip", std::string(250, 't'));
  b.Entry("is_const_param", "1").Entry("is_list", "1").Entry("list_options", std::string(290, 'o'));
  auto c = std::make_unique<CParamCatalogue>();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  const ParamDef& p = c->groups[1].params[0];
  EXPECT_EQ(p.default_value, std::string(255, 'd'));
  EXPECT_EQ(p.value, std::string(255, 'd'));
  EXPECT_EQ(p.tip, std::string(250, 't'));
  ASSERT_EQ(p.list_options.size(), 1u);
  EXPECT_EQ(p.list_options[0].size(), 255u);
}

TEST(CatalogueCapacity, ACutNeverSplitsADoubleByteCharacter) {
  const std::string name = std::string(254, 'n') + std::string("中"_gbk);
  CatalogueBuilder b;
  b.Groups(1).Group(1, name, 0);
  auto c = std::make_unique<CParamCatalogue>();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->groups[1].name, std::string(254, 'n'));
  EXPECT_EQ(CapString(std::string(253, 'a') + std::string("中"_gbk)).size(), 255u);
}

TEST(CatalogueCapacity, ACommonCopysTipStaysWithinAValue) {
  CatalogueBuilder b;
  b.Groups(1).Group(1, "group name", 1).Param(1, 1, "0x0101");
  b.Entry("tip", std::string(250, 't')).Entry("is_common_param", "1");
  auto c = std::make_unique<CParamCatalogue>();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  ASSERT_TRUE(c->RebuildCommonGroup());
  EXPECT_EQ(c->groups[0].params[0].tip, std::string(250, 't') + "[grou");
}

}  // namespace
}  // namespace zt
