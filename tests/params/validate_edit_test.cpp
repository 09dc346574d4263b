#include "params/validate_edit.h"

#include <memory>

#include <gtest/gtest.h>

#include "catalogue_builder.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::CatalogueBuilder;

// One group "g" whose parameters are described by the test; the parameters'
// names are their keywords.
class ValidateEditTest : public ::testing::Test {
 protected:
  CatalogueBuilder& Add(std::string_view type, std::string_view name) {
    ++n_;
    b_.Param(1, n_, Format("0x%04x", 0x0100 + n_), type, name, Format("K%d", n_));
    return b_;
  }
  void Load() {
    CatalogueBuilder all;
    all.Groups(1).Group(1, "g", n_);
    c_ = std::make_unique<CParamCatalogue>();
    const CatalogueLoadResult loaded = test::LoadText(all.text() + b_.text(), *c_);
    ASSERT_TRUE(loaded.loaded()) << loaded.message;
  }
  EditResult Edit(int index, std::string_view text) { return ValidateEdit(*c_, 1, index, text); }
  const std::string& Value(int index) { return c_->groups[1].params[static_cast<std::size_t>(index)].value; }

  CatalogueBuilder b_;
  int n_ = 0;
  std::unique_ptr<CParamCatalogue> c_;
};

TEST_F(ValidateEditTest, AnIntegerWithARangeStoresDigitsWithinIt) {
  Add("INT2", "port").Entry("is_check_range", "1").Entry("value_range", "1~65535");
  Load();
  EditResult r = Edit(0, "80");
  EXPECT_TRUE(r.stored);
  EXPECT_TRUE(r.accepted());
  EXPECT_FALSE(r.redraw_list);
  EXPECT_EQ(Value(0), "80");
  EXPECT_TRUE(Edit(0, "080").stored);
  EXPECT_EQ(Value(0), "080");
  for (const char* bad : {"+80", "-1", " 80", "", "70000", "8o"}) {
    r = Edit(0, bad);
    EXPECT_FALSE(r.stored) << bad;
    EXPECT_EQ(r.refusal, "port参数配置不正确"_gbk) << bad;
    EXPECT_TRUE(r.redraw_list) << bad;
    EXPECT_EQ(Value(0), "080") << bad;
  }
}

TEST_F(ValidateEditTest, ARangeWithAnExtraValue) {
  Add("INT1", "x").Entry("is_check_range", "1").Entry("value_range", "0,3~10");
  Load();
  for (const char* ok : {"0", "3", "10"}) EXPECT_TRUE(Edit(0, ok).stored) << ok;
  for (const char* bad : {"1", "2", "11"}) EXPECT_FALSE(Edit(0, bad).accepted()) << bad;
}

TEST_F(ValidateEditTest, TheRefusalNamesTheParameterInGbk) {
  Add("INT2", "心跳间隔"_gbk).Entry("is_check_range", "1").Entry("value_range", "0,10~3600");
  Load();
  const EditResult r = Edit(0, "5");
  EXPECT_EQ(r.refusal, "心跳间隔参数配置不正确"_gbk);
  EXPECT_EQ(RefusalCaption(), "提示"_gbk);
}

TEST_F(ValidateEditTest, AFixedListStoresTheChosenOptionAsItIs) {
  Add("INT1", "proto").Entry("is_list", "1").Entry("list_options", "TCP,UDP").Entry("list_value", "0,1");
  Load();
  const EditResult r = Edit(0, "UDP");
  EXPECT_TRUE(r.stored);
  EXPECT_TRUE(r.redraw_list);
  EXPECT_EQ(Value(0), "UDP");
}

TEST_F(ValidateEditTest, AnIntegerListWithFreeInputAndNoRangeStoresWithoutCheck) {
  Add("INT1", "tz").Entry("is_list", "1").Entry("list_options", "8,0").Entry("is_list_custom", "1");
  Load();
  const EditResult r = Edit(0, "-5");
  EXPECT_TRUE(r.stored);
  EXPECT_TRUE(r.redraw_list);
  EXPECT_EQ(Value(0), "-5");
}

TEST_F(ValidateEditTest, AnIntegerListWithFreeInputAndARangeIsChecked) {
  Add("INT4", "baud").Entry("is_list", "1").Entry("list_options", "9600").Entry("is_list_custom", "1");
  b_.Entry("is_check_range", "1").Entry("value_range", "300~921600");
  Load();
  EXPECT_FALSE(Edit(0, "100").accepted());
  const EditResult r = Edit(0, "14400");
  EXPECT_TRUE(r.stored);
  EXPECT_TRUE(r.redraw_list);
}

TEST_F(ValidateEditTest, AnIntegerAddressMustBeAnIpAddress) {
  Add("INT4", "ip").Entry("is_ipaddr", "1");
  Load();
  const EditResult r = Edit(0, "10.0.0.1");
  EXPECT_TRUE(r.stored);
  EXPECT_FALSE(r.redraw_list);
  EXPECT_FALSE(Edit(0, "127.0.0.1").accepted());
  EXPECT_EQ(Value(0), "10.0.0.1");
}

TEST_F(ValidateEditTest, AnIntegerWithoutRangeListOrAddressIsNeitherExaminedNorStored) {
  Add("INT2", "bare");
  Add("hexstr", "untyped");
  Load();
  EditResult r = Edit(0, "anything");
  EXPECT_TRUE(r.accepted());
  EXPECT_FALSE(r.stored);
  EXPECT_EQ(Value(0), "");
  r = Edit(1, "anything");
  EXPECT_TRUE(r.accepted());
  EXPECT_FALSE(r.stored);
}

TEST_F(ValidateEditTest, TheServiceCentreNumberKeepsItsPlus) {
  Add("DIGITSTR", "服务中心号码"_gbk).Entry("length", "20");
  Add("DIGITSTR", "授权号码1"_gbk).Entry("length", "20");
  Load();
  const EditResult r = Edit(0, "+8613800100500");
  EXPECT_TRUE(r.stored);
  EXPECT_FALSE(r.redraw_list);
  EXPECT_EQ(Value(0), "+8613800100500");
  EXPECT_EQ(Edit(1, "+8613800100500").refusal, "授权号码1参数配置不正确"_gbk);
  EXPECT_TRUE(Edit(1, "").stored);
  EXPECT_FALSE(Edit(1, std::string(21, '1')).accepted());
}

TEST_F(ValidateEditTest, HexStringsOfFourBytes) {
  Add("HEXSTR", "hex").Entry("length", "4");
  Add("HEXSTR", "fixed").Entry("length", "4").Entry("fixed_length", "1");
  Load();
  EXPECT_TRUE(Edit(0, "01 02 03 04").stored);
  EXPECT_EQ(Value(0), "01 02 03 04");  // stored as typed, blanks kept
  EXPECT_TRUE(Edit(0, "01020304").stored);
  EXPECT_TRUE(Edit(0, "010203").stored);
  EXPECT_FALSE(Edit(1, "010203").accepted());
  EXPECT_FALSE(Edit(0, "0102030").accepted());
  EXPECT_FALSE(Edit(0, "0G").accepted());
  EXPECT_EQ(Value(0), "010203");
}

TEST_F(ValidateEditTest, AsciiStringsRefuseBlanksAndHonourTheirCharacterSet) {
  Add("ASCSTR", "apn").Entry("length", "8");
  Add("ASCSTR", "name").Entry("is_spec_ascstr", "1").Entry("spec_ascstr_first", "abc");
  b_.Entry("spec_ascstr_other", "abc123");
  Load();
  EXPECT_FALSE(Edit(0, "cm net").accepted());
  EXPECT_FALSE(Edit(0, "123456789").accepted());
  EXPECT_TRUE(Edit(0, "CMNET").stored);
  const EditResult r = Edit(1, "a12");
  EXPECT_TRUE(r.stored);
  EXPECT_FALSE(r.redraw_list);
  EXPECT_FALSE(Edit(1, "1ab").accepted());
  EXPECT_EQ(Value(1), "a12");
}

TEST_F(ValidateEditTest, AConstantKeepsItsValue) {
  Add("ASCSTR", "model").Entry("is_const_param", "1").Entry("default", "ZR-3100");
  Load();
  const EditResult same = Edit(0, "ZR-3100");
  EXPECT_TRUE(same.accepted());
  EXPECT_FALSE(same.stored);
  EXPECT_EQ(Edit(0, "ZR-3200").refusal, "model参数配置不正确"_gbk);
  EXPECT_EQ(Value(0), "ZR-3100");
}

TEST_F(ValidateEditTest, ACommonParameterUpdatesItsCopy) {
  Add("ASCSTR", "apn").Entry("is_common_param", "1");
  Load();
  ASSERT_TRUE(c_->RebuildCommonGroup());
  ASSERT_TRUE(Edit(0, "CMIOT").stored);
  EXPECT_EQ(c_->groups[0].params[0].value, "CMIOT");
  ASSERT_TRUE(ValidateEdit(*c_, 0, 0, "3GNET").stored);
  EXPECT_EQ(Value(0), "3GNET");
}

TEST_F(ValidateEditTest, ATextLongerThanAValueCanHoldIsRefused) {
  Add("ASCSTR", "long");
  Load();
  EXPECT_TRUE(Edit(0, std::string(255, 'a')).stored);
  EXPECT_EQ(Edit(0, std::string(256, 'a')).refusal, "long参数配置不正确"_gbk);
  EXPECT_EQ(Value(0).size(), 255u);
}

TEST_F(ValidateEditTest, AControlByteIsRefusedWhateverTheParameter) {
  // Every kind of parameter, the ones that accept any text or store nothing too.
  Add("ASCSTR", "apn");
  Add("INT1", "proto").Entry("is_list", "1").Entry("list_options", "TCP,UDP").Entry("list_value", "0,1");
  Add("INT2", "free");
  Add("INT2", "plain").Entry("is_list", "1").Entry("is_list_custom", "1").Entry("list_options", "1,2");
  Add("DIGITSTR", "phone").Entry("length", "20");
  Add("HEXSTR", "hex").Entry("length", "8");
  Add("BLOB", "untyped");
  Load();
  const std::string texts[] = {"b\nAT+USEDEFAULT=MUL",
                               "a\rAT+RESET",
                               std::string("CMIOT\0,AT+RESET", 16),
                               "12\t",
                               "\x1B[2J",
                               "12\x7F"};
  for (int i = 0; i < n_; ++i) {
    const std::string before = Value(i);
    for (const std::string& text : texts) {
      const EditResult r = Edit(i, text);
      EXPECT_FALSE(r.stored) << i << ::testing::PrintToString(text);
      EXPECT_EQ(r.refusal,
                c_->groups[1].params[static_cast<std::size_t>(i)].name + std::string("参数配置不正确"_gbk))
          << i << ::testing::PrintToString(text);
      EXPECT_EQ(Value(i), before);
    }
  }
}

TEST_F(ValidateEditTest, OutsideTheTableNothingHappens) {
  Add("ASCSTR", "x");
  Load();
  EXPECT_FALSE(ValidateEdit(*c_, 30, 0, "v").stored);
  EXPECT_FALSE(ValidateEdit(*c_, 1, 64, "v").stored);
  EXPECT_TRUE(ValidateEdit(*c_, -1, 0, "v").accepted());
}

// The custom pair: REGLEN (length member, 1~4 with the extra value 0) and
// REGDATA (HEXSTR value member), and TAGLEN/TAGSTR with an ASCSTR value.
class CustomPairTest : public ValidateEditTest {
 protected:
  void SetUp() override {
    Add("INT1", "注册包长度"_gbk).Entry("fixed_length", "1").Entry("is_cust_param", "1");
    b_.Entry("relation_code", "0x0102").Entry("is_check_range", "1").Entry("value_range", "0,1~4");
    b_.Entry("tip", "(1 ~ 4)").Entry("default", "2").Entry("is_const_param", "0");
    Add("HEXSTR", "注册包内容"_gbk).Entry("is_cust_param", "1").Entry("relation_code", "0x0101");
    b_.Entry("length", "64").Entry("is_common_param", "1");
    Add("INT1", "taglen").Entry("fixed_length", "1").Entry("is_cust_param", "1");
    b_.Entry("relation_code", "0x0104").Entry("is_check_range", "1").Entry("value_range", "1~32");
    Add("ASCSTR", "tag").Entry("is_cust_param", "1").Entry("relation_code", "0x0103");
    Load();
    c_->groups[1].params[0].value = "2";
    c_->groups[1].params[1].value = "0102";
  }
  const ParamDef* P(int i) { return c_->Param(1, i); }
};

TEST_F(CustomPairTest, EitherMemberFindsThePair) {
  CustomPair pair = FindCustomPair(*c_, 1, 1);
  EXPECT_EQ(pair.length_index, 0);
  EXPECT_EQ(pair.value_index, 1);
  pair = FindCustomPair(*c_, 1, 0);
  EXPECT_EQ(pair.length_index, 0);
  EXPECT_EQ(pair.value_index, 1);
}

TEST_F(CustomPairTest, TheDialogOpensWithBothMembers) {
  const CustomPairDialogFields f = CustomPairDialogOpen(P(0), P(1));
  EXPECT_EQ(f.length_label, "注册包长度:"_gbk);
  EXPECT_EQ(f.value_label, "注册包内容:"_gbk);
  EXPECT_EQ(f.hint, "(1 ~ 4)");
  EXPECT_EQ(f.length, 2);
  EXPECT_EQ(f.value, "0102");
  EXPECT_TRUE(f.hex);
  const CustomPairDialogFields half = CustomPairDialogOpen(nullptr, P(3));
  EXPECT_EQ(half.length_label, "");
  EXPECT_FALSE(half.hex);
}

TEST_F(CustomPairTest, HexDigitsMustBeTwiceTheLength) {
  const CustomPairOutcome ok = ConfirmCustomPair(P(0), P(1), 3, "01 02 0A", true);
  EXPECT_TRUE(ok.accepted());
  EXPECT_EQ(ok.length_text, "3");
  EXPECT_EQ(ok.value_text, "01020A");
  EXPECT_EQ(ConfirmCustomPair(P(0), P(1), 3, "0102", true).refusal, "注册包长度和内容不一致"_gbk);
  EXPECT_EQ(ConfirmCustomPair(P(0), P(1), 2, "01 0G", true).refusal, "输入的十六进制字符串不合法"_gbk);
}

TEST_F(CustomPairTest, TheLengthMustLieInTheLengthMembersRange) {
  EXPECT_EQ(ConfirmCustomPair(P(0), P(1), 5, "0102030405", true).refusal, "注册包长度配置不合法"_gbk);
  EXPECT_TRUE(ConfirmCustomPair(P(0), P(1), 0, "", true).accepted());  // the extra value
}

TEST_F(CustomPairTest, PlainCharactersForAHexMemberAreDumped) {
  const CustomPairOutcome r = ConfirmCustomPair(P(0), P(1), 2, "A B", false);
  EXPECT_TRUE(r.accepted());
  EXPECT_EQ(r.value_text, "41 42 ");
  EXPECT_EQ(ConfirmCustomPair(P(0), P(1), 3, "AB", false).refusal, "注册包长度和内容不一致"_gbk);
}

TEST_F(CustomPairTest, HexDigitsForAnAsciiMemberAreConverted) {
  const CustomPairOutcome r = ConfirmCustomPair(P(2), P(3), 2, "5A 52", true);
  EXPECT_TRUE(r.accepted());
  EXPECT_EQ(r.value_text, "ZR");
  const CustomPairOutcome plain = ConfirmCustomPair(P(2), P(3), 3, "a b c", false);
  EXPECT_EQ(plain.value_text, "abc");
}

TEST_F(CustomPairTest, HexDigitsThatFormAControlByteAreRefused) {
  // The partner is stored without ValidateEdit: the pair refuses for it.
  const CustomPairOutcome r = ConfirmCustomPair(P(2), P(3), 3, "41 0D 0A", true);
  EXPECT_EQ(r.refusal, "tag参数配置不正确"_gbk);
  EXPECT_EQ(r.value_text, "");
  EXPECT_EQ(ConfirmCustomPair(P(2), P(3), 2, "1B 7F", true).refusal, "tag参数配置不正确"_gbk);
}

TEST_F(CustomPairTest, AFormedValueTooLongForAValueIsRefused) {
  ParamDef wide = *P(0);
  wide.is_check_range = false;
  const CustomPairOutcome r = ConfirmCustomPair(&wide, P(1), 90, std::string(90, 'x'), false);
  EXPECT_EQ(r.refusal, "注册包长度配置不合法"_gbk);  // 90 bytes dump to 270
  EXPECT_EQ(r.value_text, "");
}

TEST_F(CustomPairTest, CommitValidatesTheClickedMemberAndStoresThePartner) {
  ASSERT_TRUE(c_->RebuildCommonGroup());
  const CustomPairOutcome outcome = ConfirmCustomPair(P(0), P(1), 3, "0A0B0C", true);
  ASSERT_TRUE(outcome.accepted());
  const EditResult r = CommitCustomPair(*c_, 1, 0, outcome);
  EXPECT_TRUE(r.stored);
  EXPECT_TRUE(r.redraw_list);
  EXPECT_EQ(Value(0), "3");
  EXPECT_EQ(Value(1), "0A0B0C");
  EXPECT_EQ(c_->groups[0].params[0].value, "0A0B0C");  // the partner is kept in step
}

TEST_F(CustomPairTest, CommitOfTheValueMember) {
  const CustomPairOutcome outcome = ConfirmCustomPair(P(0), P(1), 1, "FF", true);
  const EditResult r = CommitCustomPair(*c_, 1, 1, outcome);
  EXPECT_TRUE(r.stored);
  EXPECT_EQ(Value(1), "FF");
  EXPECT_EQ(Value(0), "1");
}

TEST_F(CustomPairTest, AnUnchangedMemberIsNotCommittedAgain) {
  const CustomPairOutcome outcome = ConfirmCustomPair(P(0), P(1), 2, "0102", true);
  const EditResult r = CommitCustomPair(*c_, 1, 0, outcome);
  EXPECT_FALSE(r.stored);
  EXPECT_TRUE(r.accepted());
  EXPECT_TRUE(r.redraw_list);
}

}  // namespace
}  // namespace zt
