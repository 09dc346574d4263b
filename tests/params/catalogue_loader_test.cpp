#include "params/catalogue_loader.h"

#include <sys/stat.h>

#include <memory>

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "catalogue_builder.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::CatalogueBuilder;
using test::LoadText;

std::unique_ptr<CParamCatalogue> NewTable() { return std::make_unique<CParamCatalogue>(); }

// One group holding one parameter whose keys follow.
CatalogueBuilder OneParam(std::string_view code = "0x0101", std::string_view type = "ASCSTR") {
  CatalogueBuilder b;
  b.Groups(1).Group(1, "g1", 1).Param(1, 1, code, type);
  return b;
}

TEST(CatalogueLines, AFileWith29GroupsLoadsOnlyTheFirst28) {
  CatalogueBuilder b;
  b.Groups(29);
  for (int g = 1; g <= 29; ++g) b.Group(g, Format("name%d", g), 0);
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->group_count, 29);
  EXPECT_EQ(c->groups[28].name, "name28");
  EXPECT_EQ(c->groups[29].name, "");
  EXPECT_EQ(c->GroupIndexByName("name29"), -1);
  EXPECT_EQ(c->GroupNameByIndex(28), "name28");
}

TEST(CatalogueLines, ALineWithABracketAnywhereIsASectionHeader) {
  CatalogueBuilder b = OneParam();
  b.Line("tip=see [manual]").Entry("length", "8");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->groups[1].params[0].tip, "");
  EXPECT_EQ(c->groups[1].params[0].length, 256);
  EXPECT_EQ(c->ProfileGetString("ip=see [manual", "length"), "8");
}

TEST(CatalogueLines, HeadersAndEntriesAreTrimmedOfBlanksTabsAndLineEnds) {
  CatalogueBuilder b;
  b.Line(" \t[ group ]\t").Line("count\t= 1 ").Line("[group1]").Line("name=  g one \t");
  b.Line("count=0");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->group_count, 1);
  EXPECT_EQ(c->groups[1].name, "g one");
}

TEST(CatalogueLines, AnEntryLineStartingWithBlanksSplitsAtItsEquals) {
  CatalogueBuilder b;
  b.Groups(1).Group(1, "g1", 1).Section("group1_parm1").Line("   code = 0x0101").Entry("type", "INT2");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->groups[1].params[0].code, 0x0101);
}

TEST(CatalogueLines, AnEmptyValueIsNotStoredAndReadsAsAbsent) {
  CatalogueBuilder b = OneParam();
  b.Entry("length", "").Entry("", "orphan");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_FALSE(c->FindEntry("group1_parm1", "length").has_value());
  EXPECT_EQ(c->groups[1].params[0].length, 256);
}

TEST(CatalogueLines, AnEmptyGroupCountFallsBackTo256AndTheFirstUnnamedGroupIsFatal) {
  CatalogueBuilder b;
  b.Section("group").Entry("count", "");
  b.PlainGroup(1, "a", 1).PlainGroup(2, "b", 1).PlainGroup(3, "c", 0);
  auto c = NewTable();
  const CatalogueLoadResult r = LoadText(b.text(), *c);
  EXPECT_EQ(r.status, CatalogueLoadStatus::kFatal);
  EXPECT_EQ(r.message, "组名字为空: group4"_gbk);
  EXPECT_EQ(c->group_count, 256);
  EXPECT_EQ(c->groups[3].name, "c");
}

TEST(CatalogueLines, ACountLargerThanTheGroupsPresentEndsWithAnUnnamedGroup) {
  CatalogueBuilder b;
  b.Groups(2).PlainGroup(1, "a", 0);
  auto c = NewTable();
  const CatalogueLoadResult r = LoadText(b.text(), *c);
  EXPECT_EQ(r.status, CatalogueLoadStatus::kFatal);
  EXPECT_EQ(r.message, "组名字为空: group2"_gbk);
}

TEST(CatalogueLines, LinesStartingWithSemicolonAreOrdinaryLines) {
  CatalogueBuilder b = OneParam();
  b.Line(";length=12").Line(";[note]").Entry("length", "7");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->ProfileGetString("group1_parm1", ";length"), "12");
  EXPECT_EQ(c->groups[1].params[0].length, 256);
  // First and last character dropped: the section is "[note".
  EXPECT_EQ(c->ProfileGetString("[note", "length"), "7");
}

TEST(CatalogueLines, ALineLongerThan298BytesGoesOnAsANewLine) {
  CatalogueBuilder b = OneParam();
  // The first read takes "tip=" and 294 bytes; the rest reads as "length=9".
  b.Line("tip=" + std::string(294, 't') + "length=9");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->ProfileGetString("group1_parm1", "tip").size(), 294u);
  EXPECT_EQ(c->groups[1].params[0].length, 9);
}

TEST(CatalogueLines, AZeroByteEndsTheLine) {
  CatalogueBuilder b = OneParam();
  b.Line(std::string("length=12\0=3", 12));
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->ProfileGetString("group1_parm1", "length"), "12");
}

TEST(CatalogueLines, KeysAndSectionsAreCaseSensitiveAndALaterEntryReplacesAnEarlierOne) {
  CatalogueBuilder b = OneParam();
  b.Entry("Length", "5").Entry("length", "6").Entry("length", "7");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->groups[1].params[0].length, 7);
  EXPECT_EQ(c->ProfileGetString("GROUP1_PARM1", "length"), "");
}

TEST(CatalogueLines, EntriesAreKeyedBySectionTwoUnderscoresAndKey) {
  CatalogueBuilder b;
  b.Section("a__b").Entry("c", "first").Section("a").Entry("b__c", "second");
  b.Section("x_").Entry("_y", "one").Section("x").Entry("__y", "two").Groups(0);
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  // Both spell "a__b__c": the later line replaces the earlier one.
  EXPECT_EQ(c->ProfileGetString("a__b", "c"), "second");
  EXPECT_EQ(c->ProfileGetString("a", "b__c"), "second");
  EXPECT_EQ(c->ProfileGetString("x_", "_y"), "two");
  EXPECT_EQ(c->ProfileGetString("x", "__y"), "two");
}

TEST(CatalogueLines, ASectionNamedTwiceGathersTheEntriesOfBoth) {
  CatalogueBuilder b = OneParam();
  b.Entry("length", "4").Section("other").Entry("length", "5");
  b.Section("group1_parm1").Entry("tip", "back again");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->groups[1].params[0].length, 4);
  EXPECT_EQ(c->groups[1].params[0].tip, "back again");
  EXPECT_EQ(c->groups[1].params[0].code, 0x0101);
}

TEST(CatalogueLines, EntriesBeforeTheFirstHeaderBelongToTheUnnamedSection) {
  CatalogueBuilder b;
  b.Entry("loose", "1").Groups(0);
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->ProfileGetString("", "loose"), "1");
}

TEST(CatalogueApplication, ProductAndLanguage) {
  CatalogueBuilder b;
  b.Section("application").Entry("product", "ZR-3100").Entry("language", "EN").Groups(0);
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->product, "ZR-3100");
  EXPECT_EQ(c->language, 2);
  CatalogueBuilder other;
  other.Section("application").Entry("language", "en").Groups(0);
  ASSERT_TRUE(LoadText(other.text(), *c).loaded());
  EXPECT_EQ(c->language, 2);  // anything but CN and EN leaves it
  EXPECT_EQ(c->product, "");
}

TEST(CatalogueCodes, S3CodesMustBeLowerCaseXAndFourHexDigits) {
  for (const char* bad : {"0x10A", "0X100A", "4097", "0x100a0", " 0x100", "0x00g1", "0x0000"}) {
    auto c = NewTable();
    const CatalogueLoadResult r = LoadText(OneParam(bad).text(), *c);
    EXPECT_EQ(r.status, CatalogueLoadStatus::kFatal) << bad;
    EXPECT_EQ(r.message, "[group1_parm1--code] code为空 "_gbk) << bad;
  }
  for (const char* good : {"0x100a", "0x100A"}) {
    auto c = NewTable();
    ASSERT_TRUE(LoadText(OneParam(good).text(), *c).loaded()) << good;
    EXPECT_EQ(c->groups[1].params[0].code, 4106) << good;
  }
}

TEST(CatalogueCodes, S2CodesAreDecimal) {
  auto c = NewTable();
  const CatalogueLoadResult bad = LoadText(OneParam("0x100a").text(), *c, FileVariant::kS2);
  EXPECT_EQ(bad.message, "[group1_parm1--code] code为空 "_gbk);
  ASSERT_TRUE(LoadText(OneParam("4097").text(), *c, FileVariant::kS2).loaded());
  EXPECT_EQ(c->groups[1].params[0].code, 4097);
  ASSERT_TRUE(LoadText(OneParam("65537").text(), *c, FileVariant::kS2).loaded());
  EXPECT_EQ(c->groups[1].params[0].code, 1);  // kept as 16 bits
}

TEST(CatalogueCodes, AnAbsentCodeIsFatal) {
  CatalogueBuilder b;
  b.Groups(1).Group(1, "g1", 2).Param(1, 1, "0x0101").Section("group1_parm2").Entry("type", "INT1");
  auto c = NewTable();
  EXPECT_EQ(LoadText(b.text(), *c).message, "[group1_parm2--code] code为空 "_gbk);
  EXPECT_EQ(c->groups[1].params[0].code, 0x0101);  // what was read stays
}

TEST(CatalogueCodes, ACustomParameterNeedsARelationCode) {
  CatalogueBuilder b = OneParam();
  b.Entry("is_cust_param", "1").Entry("relation_code", "0X0102");
  auto c = NewTable();
  const CatalogueLoadResult r = LoadText(b.text(), *c);
  EXPECT_EQ(r.status, CatalogueLoadStatus::kFatal);
  EXPECT_EQ(r.message, "[group1_parm1--relation_code]RelationCode 为空 "_gbk);

  CatalogueBuilder ok = OneParam();
  ok.Entry("is_cust_param", "1").Entry("relation_code", "0x0102");
  ASSERT_TRUE(LoadText(ok.text(), *c).loaded());
  EXPECT_EQ(c->groups[1].params[0].relation_code, 0x0102);
  CatalogueBuilder s2 = OneParam("101");
  s2.Entry("is_cust_param", "1").Entry("relation_code", "102");
  ASSERT_TRUE(LoadText(s2.text(), *c, FileVariant::kS2).loaded());
  EXPECT_EQ(c->groups[1].params[0].relation_code, 102);
}

TEST(CatalogueTypes, TypesAreRecognisedByTheirLeadingCharacters) {
  const struct {
    const char* text;
    ParamValueType type;
  } cases[] = {
      {"INT1", ParamValueType::kInt1},       {"INT16", ParamValueType::kInt1},
      {"INT2", ParamValueType::kInt2},       {"INT4", ParamValueType::kInt4},
      {"ASCSTR", ParamValueType::kAscStr},   {"DIGITSTR", ParamValueType::kDigitStr},
      {"DIGITSTRX", ParamValueType::kDigitStr}, {"HEXSTR", ParamValueType::kHexStr},
      {"HEXSTRING", ParamValueType::kHexStr}, {"hexstr", ParamValueType::kNone},
      {"INT8", ParamValueType::kNone},       {"ASCST", ParamValueType::kNone},
  };
  for (const auto& tc : cases) {
    auto c = NewTable();
    ASSERT_TRUE(LoadText(OneParam("0x0101", tc.text).text(), *c).loaded()) << tc.text;
    EXPECT_EQ(c->groups[1].params[0].type, tc.type) << tc.text;
  }
}

TEST(CatalogueFlags, AFlagIsSetOnlyWhenItReadsAsOne) {
  for (const char* on : {"1", "01", "1abc"}) {
    CatalogueBuilder b = OneParam();
    b.Entry("is_password", on);
    auto c = NewTable();
    ASSERT_TRUE(LoadText(b.text(), *c).loaded());
    EXPECT_TRUE(c->groups[1].params[0].is_password) << on;
  }
  for (const char* off : {"0", "2", "11", "yes", " -1"}) {
    CatalogueBuilder b = OneParam();
    b.Entry("is_password", off);
    auto c = NewTable();
    ASSERT_TRUE(LoadText(b.text(), *c).loaded());
    EXPECT_FALSE(c->groups[1].params[0].is_password) << off;
  }
}

TEST(CatalogueFields, EveryFieldOfAParameterIsRead) {
  CatalogueBuilder b = OneParam("0x0101", "INT2");
  b.Entry("name", "端口"_gbk).Entry("short_name", "SVRPORT").Entry("default", "5001");
  b.Entry("tip", "1~65535").Entry("fixed_length", "1").Entry("length", "70000");
  b.Entry("is_check_range", "1").Entry("value_range", "1~65535").Entry("is_ipaddr", "1");
  b.Entry("is_list", "1").Entry("list_options", "a,b").Entry("list_value", "1,2");
  b.Entry("is_list_custom", "1").Entry("is_password", "1").Entry("readonly", "1");
  b.Entry("is_common_param", "1").Entry("is_spec_ascstr", "1");
  b.Entry("spec_ascstr_first", "abc").Entry("spec_ascstr_other", "abc123");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  const ParamDef& p = c->groups[1].params[0];
  EXPECT_EQ(p.name, "端口"_gbk);
  EXPECT_EQ(p.short_name, "SVRPORT");
  EXPECT_EQ(p.default_value, "5001");
  EXPECT_EQ(p.value, "");
  EXPECT_EQ(p.tip, "1~65535");
  EXPECT_TRUE(p.fixed_length);
  EXPECT_EQ(p.length, 70000 % 65536);
  EXPECT_TRUE(p.is_check_range);
  EXPECT_EQ(p.range_low, 1u);
  EXPECT_EQ(p.range_high, 65535u);
  EXPECT_FALSE(p.has_range_extra);
  EXPECT_TRUE(p.is_ipaddr);
  EXPECT_TRUE(p.is_list);
  EXPECT_TRUE(p.is_list_custom);
  EXPECT_TRUE(p.is_password);
  EXPECT_TRUE(p.readonly);
  EXPECT_TRUE(p.is_common_param);
  EXPECT_TRUE(p.is_spec_ascstr);
  EXPECT_EQ(p.spec_ascstr_first, "abc");
  EXPECT_EQ(p.spec_ascstr_other, "abc123");
  EXPECT_FALSE(p.selected);
}

TEST(CatalogueFields, AConstantStartsWithItsDefaultAndOthersStartEmpty) {
  CatalogueBuilder b;
  b.Groups(1).Group(1, "g", 2);
  b.Param(1, 1, "0x0101").Entry("default", "ZR-3100").Entry("is_const_param", "1");
  b.Param(1, 2, "0x0102").Entry("default", "abc");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->groups[1].params[0].value, "ZR-3100");
  EXPECT_EQ(c->groups[1].params[1].value, "");
  EXPECT_EQ(c->groups[1].params[1].default_value, "abc");
}

TEST(CatalogueFields, KeysThatCountOnlyWithTheirFlag) {
  CatalogueBuilder b = OneParam();
  b.Entry("relation_code", "0x0102").Entry("value_range", "1~9").Entry("list_options", "a,b");
  b.Entry("is_list_custom", "1").Entry("spec_ascstr_first", "abc");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  const ParamDef& p = c->groups[1].params[0];
  EXPECT_EQ(p.relation_code, 0);
  EXPECT_EQ(p.range_high, 0u);
  EXPECT_TRUE(p.list_options.empty());
  EXPECT_FALSE(p.is_list_custom);
  EXPECT_EQ(p.spec_ascstr_first, "");
}

TEST(CatalogueRanges, ARangeAndARangeWithAnExtraValue) {
  CatalogueBuilder b;
  b.Groups(1).Group(1, "g", 2);
  b.Param(1, 1, "0x0101", "INT2").Entry("is_check_range", "1").Entry("value_range", "1~65535");
  b.Param(1, 2, "0x0102", "INT1").Entry("is_check_range", "1").Entry("value_range", "0,3~10");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  const ParamDef& plain = c->groups[1].params[0];
  EXPECT_EQ(plain.range_low, 1u);
  EXPECT_EQ(plain.range_high, 65535u);
  EXPECT_FALSE(plain.has_range_extra);
  const ParamDef& extra = c->groups[1].params[1];
  EXPECT_EQ(extra.range_low, 3u);
  EXPECT_EQ(extra.range_high, 10u);
  EXPECT_TRUE(extra.has_range_extra);
  EXPECT_EQ(extra.range_extra, 0u);
}

TEST(CatalogueRanges, MalformedRangesFailTheLoadWithoutAMessage) {
  for (const char* bad : {"~5", "5", "0,5", "0,~5", ""}) {
    CatalogueBuilder b = OneParam("0x0101", "INT1");
    b.Entry("is_check_range", "1");
    if (*bad != '\0') b.Entry("value_range", bad);
    auto c = NewTable();
    const CatalogueLoadResult r = LoadText(b.text(), *c);
    EXPECT_EQ(r.status, CatalogueLoadStatus::kFileError) << bad;
    EXPECT_EQ(r.message, "") << bad;
  }
}

TEST(CatalogueRanges, NumbersAreReadAsAtoiReadsThem) {
  CatalogueBuilder b = OneParam("0x0101", "INT1");
  b.Entry("is_check_range", "1").Entry("value_range", ",3~x");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->groups[1].params[0].range_low, 0u);   // "," leads: no extra value
  EXPECT_EQ(c->groups[1].params[0].range_high, 0u);
  EXPECT_FALSE(c->groups[1].params[0].has_range_extra);
}

TEST(CatalogueLists, ATrailingCommaGivesAnEmptyLastOption) {
  CatalogueBuilder b = OneParam("0x0101", "INT1");
  b.Entry("is_list", "1").Entry("list_options", "TCP,UDP,").Entry("list_value", "0,,1");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  const std::vector<std::string> options{"TCP", "UDP", ""};
  const std::vector<std::string> values{"0", "", "1"};
  EXPECT_EQ(c->groups[1].params[0].list_options, options);
  EXPECT_EQ(c->groups[1].params[0].list_value, values);
}

TEST(CatalogueLists, PiecesAreNotTrimmed) {
  CatalogueBuilder b = OneParam("0x0101", "INT1");
  b.Entry("is_list", "1").Entry("list_options", "a , b");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  const std::vector<std::string> options{"a ", " b"};
  EXPECT_EQ(c->groups[1].params[0].list_options, options);
  EXPECT_TRUE(c->groups[1].params[0].list_value.empty());
}

TEST(CatalogueLists, AListWithoutOptionsFailsTheLoad) {
  CatalogueBuilder b = OneParam("0x0101", "INT1");
  b.Entry("is_list", "1").Entry("list_value", "0,1");
  auto c = NewTable();
  EXPECT_EQ(LoadText(b.text(), *c).status, CatalogueLoadStatus::kFileError);
}

TEST(CatalogueGroups, ChannelAndModeBitsOfAGroup) {
  CatalogueBuilder b;
  b.Groups(5).Group(1, "plain", 0).Group(2, "both", 0, 1, "0x0c").Group(3, "nohex", 0, 2, "c");
  b.Group(4, "bad", 0, 3, "zz").Group(5, "far", 0, 11, "1");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->groups[1].chn, -1);
  EXPECT_EQ(c->groups[1].dtu_run_type, 0);
  EXPECT_EQ(c->groups[2].dtu_run_type, 12);
  EXPECT_EQ(c->groups[3].dtu_run_type, 12);
  EXPECT_EQ(c->groups[4].dtu_run_type, 0);
  EXPECT_EQ(c->channels.GroupForChannel(kModeMul, 1), 2);
  EXPECT_EQ(c->channels.GroupForChannel(kModeMulb, 2), 3);
  EXPECT_FALSE(c->channels.HasChannel(kModeSin, 11));
}

TEST(CatalogueGroups, TheLaterOfTwoGroupsForOneChannelWins) {
  CatalogueBuilder b;
  b.Groups(3).Group(1, "a", 0, 1, "0x04").Group(2, "b", 0, 1, "0x04").Group(3, "zero", 0, 0, "1");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->channels.GroupForChannel(kModeMul, 1), 2);
  EXPECT_FALSE(c->channels.HasChannel(kModeSin, 0));  // channel 0 is never registered
}

TEST(CatalogueGroups, TheCommonSlotIsRegisteredButNotNamed) {
  CatalogueBuilder b;
  b.Groups(1).PlainGroup(1, "系统参数"_gbk, 1);
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->GroupNameByIndex(0), "常用配置参数"_gbk);
  EXPECT_EQ(c->GroupIndexByName("常用配置参数"_gbk), 0);
  EXPECT_EQ(c->GroupIndexByName("系统参数"_gbk), 1);
  EXPECT_EQ(c->groups[0].name, "");
  EXPECT_EQ(c->GroupNameByIndex(2), "");
}

TEST(CatalogueReload, EveryLoadResetsTheWholeTable) {
  CatalogueBuilder big;
  big.Groups(2).PlainGroup(1, "a", 2).PlainGroup(2, "b", 1).Group(3, "x", 0, 1, "1");
  auto c = NewTable();
  ASSERT_TRUE(LoadText(big.text(), *c).loaded());
  c->groups[1].params[0].value = "typed";
  c->groups[1].params[0].selected = true;
  c->current_group = 2;
  CatalogueBuilder small;
  small.Groups(1).PlainGroup(1, "a", 1);
  ASSERT_TRUE(LoadText(small.text(), *c).loaded());
  EXPECT_EQ(c->groups[1].params[0].value, "");
  EXPECT_FALSE(c->groups[1].params[0].selected);
  EXPECT_EQ(c->groups[2].name, "");
  EXPECT_EQ(c->GroupIndexByName("b"), -1);
  EXPECT_FALSE(c->FindEntry("group2", "name").has_value());
  EXPECT_EQ(c->current_group, 2);  // the view's choice survives
}

TEST(CatalogueReload, AFailedLoadKeepsWhatWasReadBeforeTheFailure) {
  CatalogueBuilder b;
  b.Groups(2).PlainGroup(1, "a", 2).Group(2, "b", 2);
  b.Param(2, 1, "0x0201").Entry("default", "kept");
  b.Param(2, 2, "0x0202", "INT1").Entry("is_check_range", "1").Entry("value_range", "5");
  auto c = NewTable();
  EXPECT_EQ(LoadText(b.text(), *c).status, CatalogueLoadStatus::kFileError);
  EXPECT_EQ(c->groups[1].params[1].code, 0x0102);
  EXPECT_EQ(c->groups[2].params[0].default_value, "kept");
  EXPECT_EQ(c->groups[2].params[1].code, 0x0202);
}

TEST(CatalogueProfile, StringsAndIntegersFromTheKeyMap) {
  CatalogueBuilder b;
  b.Section("s").Entry("n", "42A9").Entry("neg", "-7").Entry("word", "B42").Groups(0);
  auto c = NewTable();
  ASSERT_TRUE(LoadText(b.text(), *c).loaded());
  EXPECT_EQ(c->ProfileGetString("s", "n"), "42A9");
  EXPECT_EQ(c->ProfileGetString("s", "absent"), "");
  EXPECT_EQ(c->ProfileGetInt("s", "n", 5), 42);
  EXPECT_EQ(c->ProfileGetInt("s", "neg", 5), -7);
  EXPECT_EQ(c->ProfileGetInt("s", "word", 5), 0);
  EXPECT_EQ(c->ProfileGetInt("s", "absent", 5), 5);
}

TEST(CatalogueFile, TheFileIsLookedForInTheGivenFolderByVariant) {
  EXPECT_EQ(CataloguePath("/opt/zt", FileVariant::kS3), "/opt/zt/dtuparam_s3.ini");
  EXPECT_EQ(CataloguePath("/opt/zt/", FileVariant::kS2), "/opt/zt/dtuparam_s2.ini");
  test::TempDir dir;
  CatalogueBuilder s2;
  s2.Groups(1).Group(1, "s2 group", 1).Param(1, 1, "101");
  ASSERT_TRUE(test::WriteFileBytes(dir.File("dtuparam_s2.ini"), s2.text()));
  auto c = NewTable();
  ASSERT_TRUE(LoadCatalogueFile(dir.path(), FileVariant::kS2, *c).loaded());
  EXPECT_EQ(c->groups[1].name, "s2 group");
  const CatalogueLoadResult missing = LoadCatalogueFile(dir.path(), FileVariant::kS3, *c);
  EXPECT_EQ(missing.status, CatalogueLoadStatus::kFileMissing);
  EXPECT_EQ(missing.message, "");
  EXPECT_EQ(c->groups[1].name, "");  // the table was reset first
}

TEST(CatalogueFile, AFileThatCannotBeReadGivesTheMessage) {
  // A folder, and a FIFO nobody writes to (which must not block the load).
  for (auto make : {+[](const char* p) { return ::mkdir(p, 0700); }, +[](const char* p) { return ::mkfifo(p, 0600); }}) {
    test::TempDir dir;
    ASSERT_EQ(make(dir.File("dtuparam_s3.ini").c_str()), 0);
    auto c = NewTable();
    const CatalogueLoadResult r = LoadCatalogueFile(dir.path(), FileVariant::kS3, *c);
    EXPECT_EQ(r.status, CatalogueLoadStatus::kUnreadable);
    EXPECT_EQ(r.message, "读入dtuparam.ini失败**"_gbk);
  }
}

}  // namespace
}  // namespace zt
