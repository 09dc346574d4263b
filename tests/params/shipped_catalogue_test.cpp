// The catalogues the tool ships (data/dtuparam_s3.ini, data/dtuparam_s2.ini),
// as the build copies them beside the programs.
#include <memory>
#include <set>

#include <gtest/gtest.h>

#include "common/program_path.h"
#include "params/catalogue_loader.h"
#include "params/validate_edit.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;

std::unique_ptr<CParamCatalogue> LoadShipped(FileVariant variant) {
  auto c = std::make_unique<CParamCatalogue>();
  const CatalogueLoadResult r = LoadCatalogueFile(ProgramDirectory(), variant, *c);
  EXPECT_TRUE(r.loaded()) << static_cast<int>(r.status) << " " << r.message;
  return c;
}

std::vector<const ParamDef*> AllParams(const CParamCatalogue& c) {
  std::vector<const ParamDef*> all;
  for (int g = 1; g < kGroupSlots; ++g) {
    for (int i = 0; i < c.groups[g].UsedCount(); ++i) all.push_back(&c.groups[g].params[i]);
  }
  return all;
}

const ParamDef* FindByKeyword(const CParamCatalogue& c, int group, std::string_view keyword) {
  for (int i = 0; i < c.groups[group].UsedCount(); ++i) {
    if (c.groups[group].params[i].short_name == keyword) return &c.groups[group].params[i];
  }
  return nullptr;
}

TEST(ShippedCatalogues, TheBuildCopiesBothBesideThePrograms) {
  for (FileVariant v : {FileVariant::kS3, FileVariant::kS2}) {
    const std::string copy = test::ReadFileBytes(CataloguePath(ProgramDirectory(), v));
    const std::string source =
        test::ReadFileBytes(CataloguePath(ZT_SOURCE_DATA_DIR, v));
    EXPECT_FALSE(source.empty());
    EXPECT_EQ(copy, source);
    EXPECT_NE(source.find("\r\n"), std::string::npos);
    EXPECT_EQ(source.find("\n\n"), std::string::npos);  // every line ends in CR LF
  }
}

TEST(ShippedCatalogues, S3HasTheSystemAndRunGroupsAndEnoughParameters) {
  auto c = LoadShipped(FileVariant::kS3);
  EXPECT_EQ(c->group_count, 21);
  EXPECT_GE(AllParams(*c).size(), 80u);
  int base_groups = 0;
  for (int g = 1; g < kGroupSlots; ++g) base_groups += c->groups[g].used() && c->groups[g].chn < 0;
  EXPECT_GE(base_groups, 10);

  const int system = c->GroupIndexByName("系统参数"_gbk);
  ASSERT_GT(system, 0);
  const ParamDef* version = FindByKeyword(*c, system, "SPSV");
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->name, "软件版本"_gbk);
  EXPECT_TRUE(version->readonly);
  EXPECT_EQ(version->default_value, "V3.2.7");

  const int run = c->GroupIndexByName("运行参数"_gbk);
  ASSERT_GT(run, 0);
  const ParamGroup& g = c->groups[run];
  const ParamDef& mode = g.params[g.count - 1];
  EXPECT_EQ(mode.short_name, "OPPRM");
  EXPECT_EQ(mode.name, "DTU通道运行模式"_gbk);
  EXPECT_TRUE(mode.is_list);
  EXPECT_FALSE(mode.is_list_custom);
  const std::vector<std::string> tokens{"SIN", "BAK", "MUL", "MULB"};
  EXPECT_EQ(mode.list_options, tokens);
  EXPECT_EQ(mode.list_value, tokens);
}

TEST(ShippedCatalogues, S3HasChannelGroupsForEveryMode) {
  auto c = LoadShipped(FileVariant::kS3);
  const struct {
    std::int32_t mode;
    std::size_t channels;
  } expected[] = {{kModeSin, 1}, {kModeBak, 2}, {kModeMul, 4}, {kModeMulb, 4}};
  for (const auto& e : expected) {
    const ChannelTable::ChannelMap channels = c->channels.ChannelsOfMode(e.mode);
    EXPECT_EQ(channels.size(), e.channels) << e.mode;
    std::int32_t n = 1;
    for (const auto& [chn, group] : channels) {
      EXPECT_EQ(chn, n++);
      const ParamGroup& g = c->groups[group];
      EXPECT_EQ(g.chn, chn);
      EXPECT_EQ(g.dtu_run_type, e.mode);  // a set sends a group only for its exact mode
      EXPECT_NE(FindByKeyword(*c, group, "SVRADDR"), nullptr);
      EXPECT_NE(FindByKeyword(*c, group, "SVRPORT"), nullptr);
      EXPECT_NE(FindByKeyword(*c, group, "PROTO"), nullptr);
    }
  }
  EXPECT_EQ(c->groups[11].name, "通道1参数(单通道)"_gbk);
}

TEST(ShippedCatalogues, S3HoldsEveryTypeAndEveryFlag) {
  auto c = LoadShipped(FileVariant::kS3);
  std::set<ParamValueType> types;
  bool range = false, range_extra = false, fixed_list = false, custom_list = false, ip = false,
       password = false, readonly = false, constant = false, custom_pair = false,
       restricted = false, common = false, centre = false, fixed_hex = false, int1_mapped = false;
  for (const ParamDef* p : AllParams(*c)) {
    types.insert(p->type);
    range |= p->is_check_range && !p->has_range_extra;
    range_extra |= p->is_check_range && p->has_range_extra;
    fixed_list |= p->is_list && !p->is_list_custom;
    custom_list |= p->is_list && p->is_list_custom && IsIntType(p->type);
    ip |= p->is_ipaddr;
    password |= p->is_password;
    readonly |= p->readonly;
    constant |= p->is_const_param && p->type == ParamValueType::kAscStr;
    custom_pair |= p->is_cust_param && p->fixed_length && p->is_check_range;
    restricted |= p->is_spec_ascstr && !p->spec_ascstr_first.empty() && !p->spec_ascstr_other.empty();
    common |= p->is_common_param;
    centre |= p->name == "服务中心号码"_gbk && p->type == ParamValueType::kDigitStr;
    fixed_hex |= p->type == ParamValueType::kHexStr && p->fixed_length;
    int1_mapped |= p->type == ParamValueType::kInt1 && p->is_list && p->list_options != p->list_value;
  }
  const std::set<ParamValueType> all{ParamValueType::kInt1,   ParamValueType::kInt2,
                                     ParamValueType::kInt4,   ParamValueType::kAscStr,
                                     ParamValueType::kDigitStr, ParamValueType::kHexStr};
  EXPECT_EQ(types, all);
  EXPECT_TRUE(range && range_extra && fixed_list && custom_list && ip && password && readonly);
  EXPECT_TRUE(constant && custom_pair && restricted && common && centre && fixed_hex && int1_mapped);
}

TEST(ShippedCatalogues, CustomPairsNameEachOther) {
  for (FileVariant v : {FileVariant::kS3, FileVariant::kS2}) {
    auto c = LoadShipped(v);
    int pairs = 0;
    for (int g = 1; g < kGroupSlots; ++g) {
      for (int i = 0; i < c->groups[g].UsedCount(); ++i) {
        const ParamDef& p = c->groups[g].params[i];
        if (!p.is_cust_param) continue;
        const int partner = c->FindParamByCode(g, p.relation_code);
        ASSERT_GE(partner, 0) << p.short_name;
        const ParamDef& q = c->groups[g].params[partner];
        EXPECT_EQ(q.relation_code, p.code) << p.short_name;
        EXPECT_NE(p.fixed_length, q.fixed_length) << p.short_name;
        pairs += p.fixed_length;
      }
    }
    EXPECT_EQ(pairs, 2);
  }
}

TEST(ShippedCatalogues, WireKeywordsCannotBeMistakenForEachOther) {
  for (FileVariant v : {FileVariant::kS3, FileVariant::kS2}) {
    auto c = LoadShipped(v);
    std::set<std::string> keywords;
    for (const ParamDef* p : AllParams(*c)) {
      ASSERT_FALSE(p->short_name.empty());
      keywords.insert(p->short_name);
      EXPECT_EQ(p->default_value.find("OK"), std::string::npos) << p->short_name;
    }
    for (const std::string& k : keywords) {
      EXPECT_EQ(k.find("OK"), std::string::npos) << k;
      EXPECT_FALSE(k.ends_with("ID")) << k;
      for (const std::string& other : keywords) {
        EXPECT_TRUE(k == other || !other.ends_with(k)) << k << " inside " << other;
      }
    }
  }
}

TEST(ShippedCatalogues, ListsGiveAWireValueForEveryOption) {
  auto c = LoadShipped(FileVariant::kS3);
  for (const ParamDef* p : AllParams(*c)) {
    if (p->is_list) {
      EXPECT_EQ(p->list_options.size(), p->list_value.size()) << p->short_name;
    }
  }
}

TEST(ShippedCatalogues, EveryFactoryValuePassesTheEditCheck) {
  for (FileVariant v : {FileVariant::kS3, FileVariant::kS2}) {
    auto c = LoadShipped(v);
    for (int g = 1; g < kGroupSlots; ++g) {
      for (int i = 0; i < c->groups[g].UsedCount(); ++i) {
        const ParamDef& p = c->groups[g].params[i];
        if (p.readonly) continue;
        const EditResult r = ValidateEdit(*c, g, i, std::string(p.default_value));
        EXPECT_TRUE(r.accepted()) << p.short_name << "=" << p.default_value;
      }
    }
  }
}

TEST(ShippedCatalogues, S2HasNoChannelGroupsAndDecimalCodes) {
  auto c = LoadShipped(FileVariant::kS2);
  EXPECT_TRUE(c->channels.empty());
  EXPECT_GE(c->group_count, 10);
  for (int g = 1; g < kGroupSlots; ++g) {
    if (c->groups[g].used()) {
      EXPECT_LT(c->groups[g].chn, 1) << g;
    }
  }
  const int system = c->GroupIndexByName("系统参数"_gbk);
  ASSERT_GT(system, 0);
  EXPECT_EQ(c->groups[system].params[0].code, 101);
  EXPECT_EQ(FindByKeyword(*c, system, "SPSV")->default_value, "V2.6.1");
  // The earlier generation has no channel modes, so no channel-mode parameter.
  for (int g = 1; g < kGroupSlots; ++g) {
    for (int i = 0; i < c->groups[g].UsedCount(); ++i) EXPECT_NE(c->groups[g].params[i].short_name, "OPPRM");
  }
  // Read as S3, the decimal codes are refused.
  auto wrong = std::make_unique<CParamCatalogue>();
  test::TempDir dir;
  ASSERT_TRUE(test::WriteFileBytes(dir.File("dtuparam_s3.ini"),
                                   test::ReadFileBytes(CataloguePath(ProgramDirectory(), FileVariant::kS2))));
  EXPECT_EQ(LoadCatalogueFile(dir.path(), FileVariant::kS3, *wrong).status, CatalogueLoadStatus::kFatal);
}

TEST(ShippedCatalogues, CommonGroupOfTheS3Catalogue) {
  auto c = LoadShipped(FileVariant::kS3);
  ASSERT_TRUE(c->RebuildCommonGroup());
  EXPECT_EQ(c->groups[0].count, 8);
  EXPECT_EQ(c->groups[0].params[0].short_name, "DEVNAME");
}

}  // namespace
}  // namespace zt
