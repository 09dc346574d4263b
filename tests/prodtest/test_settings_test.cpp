// Start's checks, section "TEST", the enabling rules and the serial-number
// dialog's acceptance, as plain functions.
#include "prodtest/test_settings.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;

std::string G(std::string_view gbk) { return std::string(gbk); }

class ValidateStartTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(test::WriteFileBytes(config_, "[x]\r\n")); }

  test::TempDir dir_;
  std::string config_ = dir_.File("config_s3.ini");
};

TEST_F(ValidateStartTest, ConfigureWithAnExistingFileIsAccepted) {
  TestChoices c;
  c.configure_item = true;
  c.config_file = config_;
  c.key_string = "unused";
  const StartVerdict v = ValidateStart(c);
  ASSERT_TRUE(v.accepted()) << v.refusal;
  EXPECT_EQ(v.run->config_file, config_);
  EXPECT_EQ(v.run->key_string, "unused");  // taken even without the run-test item
}

TEST_F(ValidateStartTest, ConfigureWithoutAFileIsRefused) {
  for (const std::string& path : {std::string(), dir_.File("missing.ini"), dir_.path()}) {
    TestChoices c;
    c.configure_item = true;
    c.config_file = path;
    c.run_test_item = true;
    c.key_string = "READY";
    const StartVerdict v = ValidateStart(c);
    EXPECT_FALSE(v.accepted()) << path;
    EXPECT_EQ(v.refusal, G("请选择参数文件"_gbk)) << path;
  }
  EXPECT_EQ(StartRefusalCaption(), "错误提示"_gbk);
}

TEST_F(ValidateStartTest, AConfigurationFilePathThatGbkCannotHoldIsRefused) {
  const std::string path = dir_.File("\xF0\x9F\x98\x80.ini");  // U+1F600 has no GBK form
  ASSERT_TRUE(test::WriteFileBytes(path, "[x]\r\n"));
  TestChoices c;
  c.configure_item = true;
  c.config_file = path;
  const StartVerdict v = ValidateStart(c);
  EXPECT_FALSE(v.accepted());
  EXPECT_EQ(v.refusal, G("参数文件路径含有GBK无法表示的字符"_gbk));
  EXPECT_FALSE(WriteTestSection(dir_.File("tool_set.ini"), c));  // nothing half-stored either
}

TEST_F(ValidateStartTest, TheThresholdMustLieBetween0And31) {
  const struct {
    std::int64_t threshold;
    bool accepted;
  } cases[] = {{-1, false}, {0, true}, {15, true}, {31, true}, {32, false}, {4294967295LL, false}};
  for (const auto& t : cases) {
    TestChoices c;
    c.run_test_item = true;
    c.key_string = "READY";
    c.signal_threshold = t.threshold;
    const StartVerdict v = ValidateStart(c);
    EXPECT_EQ(v.accepted(), t.accepted) << t.threshold;
    if (t.accepted) {
      EXPECT_EQ(v.run->signal_threshold, t.threshold);
    } else {
      EXPECT_EQ(v.refusal, G("输入错误, CSQ的范围是0~31"_gbk));
    }
  }
}

TEST_F(ValidateStartTest, TheThresholdIsNotLookedAtWithoutTheRunTestItem) {
  TestChoices c;
  c.configure_item = true;
  c.config_file = config_;
  c.signal_threshold = 32;
  EXPECT_TRUE(ValidateStart(c).accepted());
}

TEST_F(ValidateStartTest, TheRunTestNeedsAKeyString) {
  TestChoices c;
  c.run_test_item = true;
  c.signal_threshold = 5;
  EXPECT_EQ(ValidateStart(c).refusal, G("请填写关键字符串"_gbk));
}

TEST_F(ValidateStartTest, NoItemIsRefused) {
  TestChoices c;
  c.upgrade_item = true;  // the hidden item does not count
  EXPECT_EQ(ValidateStart(c).refusal, G("没有选择配置测试项"_gbk));
}

TEST_F(ValidateStartTest, TheFileIsCheckedBeforeTheRunTestSettings) {
  TestChoices c;
  c.configure_item = true;
  c.config_file = dir_.File("missing.ini");
  c.run_test_item = true;
  c.signal_threshold = 99;
  EXPECT_EQ(ValidateStart(c).refusal, G("请选择参数文件"_gbk));
}

// ---- section "TEST" ---------------------------------------------------------

TEST(TestSection, StartWithOnlyTheRunTestWritesTheKeysInOrder) {
  test::TempDir dir;
  TestChoices c;
  c.run_test_item = true;
  c.signal_threshold = 31;
  c.key_string = "就绪"_gbk;
  c.config_file = "/somewhere/config.ini";
  ASSERT_TRUE(WriteTestSection(dir.File("tool_set.ini"), c));
  EXPECT_EQ(test::ReadFileBytes(dir.File("tool_set.ini")),
            G("[TEST]\r\nPRODUCT=1\r\nMULTI_TEST=0\r\nWAIT_TIMEVAL=15\r\nCONFIG_TEST=0\r\nCONFIG_FILE=\r\n"
              "RUN_TEST=1\r\nRUN_CSQ=31\r\nRUN_INFO=就绪\r\n"_gbk));
}

TEST(TestSection, StartWithOnlyTheConfigureItemWritesTheUnusedRunSettings) {
  test::TempDir dir;
  TestChoices c;
  c.semi_finished = true;
  c.continuous = true;
  c.wait_time = 30;
  c.configure_item = true;
  c.config_file = "/lines/config_s3.ini";
  c.key_string = "not written";
  c.signal_threshold = 20;
  ASSERT_TRUE(WriteTestSection(dir.File("tool_set.ini"), c));
  EXPECT_EQ(test::ReadFileBytes(dir.File("tool_set.ini")),
            "[TEST]\r\nPRODUCT=0\r\nMULTI_TEST=1\r\nWAIT_TIMEVAL=30\r\nCONFIG_TEST=1\r\n"
            "CONFIG_FILE=/lines/config_s3.ini\r\nRUN_TEST=0\r\nRUN_CSQ=5\r\nRUN_INFO=\r\n");
}

TEST(TestSection, TheConfigurationFilePathIsStoredAndReadInGbk) {
  test::TempDir dir;
  TestChoices c;
  c.configure_item = true;
  c.config_file = "/lines/配置.ini";  // UTF-8, as the file system names it
  ASSERT_TRUE(WriteTestSection(dir.File("tool_set.ini"), c));
  const std::string text = test::ReadFileBytes(dir.File("tool_set.ini"));
  EXPECT_NE(text.find(G("\r\nCONFIG_FILE=/lines/配置.ini\r\n"_gbk)), std::string::npos) << text;
  EXPECT_EQ(ReadTestSection(dir.File("tool_set.ini")).config_file, c.config_file);
}

TEST(TestSection, WritingKeepsTheRestOfTheFileAndReplacesKeysInPlace) {
  test::TempDir dir;
  const std::string path = dir.File("tool_set.ini");
  ASSERT_TRUE(test::WriteFileBytes(path, "[SET]\r\nCOM=COM3\r\n[TEST]\r\nRUN_CSQ=7\r\nPRODUCT=0\r\n"));
  TestChoices c;
  c.configure_item = true;
  c.config_file = "f.ini";
  ASSERT_TRUE(WriteTestSection(path, c));
  EXPECT_EQ(test::ReadFileBytes(path),
            "[SET]\r\nCOM=COM3\r\n[TEST]\r\nRUN_CSQ=5\r\nPRODUCT=1\r\nMULTI_TEST=0\r\nWAIT_TIMEVAL=15\r\n"
            "CONFIG_TEST=1\r\nCONFIG_FILE=f.ini\r\nRUN_TEST=0\r\nRUN_INFO=\r\n");
}

TEST(TestSection, TheViewOpensWithContinuousTestingOffButShowsTheStoredWait) {
  test::TempDir dir;
  ASSERT_TRUE(test::WriteFileBytes(dir.File("t.ini"), "[TEST]\r\nMULTI_TEST=1\r\nWAIT_TIMEVAL=30\r\n"));
  const TestViewOpening v = ReadTestSection(dir.File("t.ini"));
  EXPECT_FALSE(v.continuous);
  EXPECT_EQ(v.wait_time_text, "30");
  EXPECT_FALSE(v.semi_finished);  // no "PRODUCT": finished product
  EXPECT_FALSE(v.configure_item);
  EXPECT_FALSE(v.run_test_item);
}

TEST(TestSection, ItemsLoadTheirOwnSettingsOnly) {
  test::TempDir dir;
  ASSERT_TRUE(test::WriteFileBytes(dir.File("t.ini"),
                                   G("[TEST]\r\nPRODUCT=0\r\nMULTI_TEST=0\r\nWAIT_TIMEVAL=30\r\nCONFIG_TEST=1\r\n"
                                     "CONFIG_FILE=/a/配置.ini\r\nRUN_TEST=0\r\nRUN_CSQ=12\r\nRUN_INFO=READY\r\n"_gbk)));
  const TestViewOpening v = ReadTestSection(dir.File("t.ini"));
  EXPECT_TRUE(v.semi_finished);
  EXPECT_EQ(v.wait_time_text, "");
  EXPECT_TRUE(v.configure_item);
  EXPECT_EQ(v.config_file, "/a/配置.ini");  // the GBK path in UTF-8, as the file system names it
  EXPECT_FALSE(v.run_test_item);
  EXPECT_EQ(v.signal_threshold_text, "");
  EXPECT_EQ(v.key_string, "");
}

TEST(TestSection, TheRunTestLoadsThresholdAndKeyCutTo255Bytes) {
  test::TempDir dir;
  ASSERT_TRUE(test::WriteFileBytes(dir.File("t.ini"), "[TEST]\r\nPRODUCT=2\r\nRUN_TEST=1\r\nRUN_CSQ=12\r\nRUN_INFO=" +
                                                          std::string(300, 'k') + "\r\n"));
  const TestViewOpening v = ReadTestSection(dir.File("t.ini"));
  EXPECT_FALSE(v.semi_finished);
  EXPECT_TRUE(v.run_test_item);
  EXPECT_EQ(v.signal_threshold_text, "12");
  EXPECT_EQ(v.key_string, std::string(255, 'k'));
}

// ---- enabling rules -------------------------------------------------------

TEST(TestControls, IdleEnablesTheEditsOfTickedItemsOnly) {
  const TestControlStates none = RestoredTestControls(false, false, false);
  EXPECT_TRUE(none.start && none.test_type && none.continuous_box && none.configure_box && none.run_test_box);
  EXPECT_FALSE(none.stop || none.import_config || none.wait_time_edit || none.key_string_edit ||
               none.signal_threshold_edit);
  const TestControlStates all = RestoredTestControls(true, true, true);
  EXPECT_TRUE(all.import_config && all.wait_time_edit && all.key_string_edit && all.signal_threshold_edit);
  EXPECT_FALSE(all.stop);
  const TestControlStates run_only = RestoredTestControls(false, false, true);
  EXPECT_TRUE(run_only.key_string_edit && run_only.signal_threshold_edit);
  EXPECT_FALSE(run_only.import_config || run_only.wait_time_edit);
}

TEST(TestControls, RunningLeavesOnlyStop) {
  TestControlStates expected;
  expected.stop = true;
  EXPECT_EQ(RunningTestControls(), expected);
}

// ---- serial-number dialog --------------------------------------------------

TEST(SerialNumbers, AcceptanceRules) {
  using Focus = SerialNumberVerdict::Focus;
  const struct {
    std::string product;
    std::string imei;
    std::string refusal;
    Focus focus;
    bool clear;
  } cases[] = {
      {"ZR3100A0001", "12345678901234", "", Focus::kNone, false},
      {"ZR3100A0001", "123456789012345", "", Focus::kNone, false},
      {"ABC", "86012345678901", "", Focus::kNone, false},
      {G("编号-01"_gbk), "86012345678901", "", Focus::kNone, false},
      {"", "12345678901234", G("产品编号不能为空"_gbk), Focus::kProduct, false},
      {"abc", "12345678901234", G("输入产品编号不合法"_gbk), Focus::kProduct, true},
      {"ZR3100a", "12345678901234", G("输入产品编号不合法"_gbk), Focus::kProduct, true},
      // A control byte would end the command that carries the number.
      {"P1\rAT+RESET", "12345678901234", G("输入产品编号不合法"_gbk), Focus::kProduct, true},
      {"P1\nAT+RESET", "12345678901234", G("输入产品编号不合法"_gbk), Focus::kProduct, true},
      {std::string("P1\0X", 4), "12345678901234", G("输入产品编号不合法"_gbk), Focus::kProduct, true},
      {"P1\x1B", "12345678901234", G("输入产品编号不合法"_gbk), Focus::kProduct, true},
      {"P1\x7F", "12345678901234", G("输入产品编号不合法"_gbk), Focus::kProduct, true},
      {"ZR1", "1234567890123", G("输入的IMEI号不合法"_gbk), Focus::kImei, false},
      {"ZR1", "1234567890123456", G("输入的IMEI号不合法"_gbk), Focus::kImei, false},
      {"ZR1", "1234567890123A", G("输入的IMEI号不合法"_gbk), Focus::kImei, false},
      {"ZR1", "", G("输入的IMEI号不合法"_gbk), Focus::kImei, false},
  };
  for (const auto& c : cases) {
    const SerialNumberVerdict v = CheckSerialNumbers(c.product, c.imei);
    EXPECT_EQ(v.accepted, c.refusal.empty()) << c.product << " " << c.imei;
    EXPECT_EQ(v.refusal, c.refusal) << c.product << " " << c.imei;
    EXPECT_EQ(v.focus, c.focus) << c.product << " " << c.imei;
    EXPECT_EQ(v.clear_product, c.clear) << c.product << " " << c.imei;
  }
  EXPECT_EQ(SerialNumberCaption(), "提示"_gbk);
  EXPECT_EQ(DefaultImeiText(), "12345678901234");
}

TEST(SerialNumbers, ATrailByteInTheLowerCaseRangeIsRefusedToo) {
  // "癮" is 0xB0 0x61 in GBK: its second byte is "a".
  const std::string product = G("癮"_gbk);
  ASSERT_EQ(product[1], 'a');
  EXPECT_EQ(CheckSerialNumbers(product, "12345678901234").refusal, G("输入产品编号不合法"_gbk));
}

}  // namespace
}  // namespace zt
