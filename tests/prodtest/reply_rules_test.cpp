// The plain rules of the steps: the step list, the file's mode, the HEXSTR
// comparison, the signal of a CSQ reply and the identity lines.
#include <gtest/gtest.h>

#include "params/channel_modes.h"
#include "prodtest/config_file_reader.h"
#include "prodtest/test_steps.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using Step = TestStepKind;

TEST(StepList, ItemsAppendTheirStepsInAFixedOrder) {
  EXPECT_EQ(BuildStepList(true, true, true),
            (std::vector<Step>{Step::kConfigure, Step::kCompare, Step::kUpgrade, Step::kRunTest}));
  EXPECT_EQ(BuildStepList(true, false, false), (std::vector<Step>{Step::kConfigure, Step::kCompare}));
  EXPECT_EQ(BuildStepList(false, false, true), (std::vector<Step>{Step::kRunTest}));
  EXPECT_TRUE(BuildStepList(false, false, false).empty());
}

TEST(ConfigFileMode, TokensGiveTheirBitAndAnythingElseNone) {
  const struct {
    const char* token;
    std::int32_t bit;
  } cases[] = {{"SIN", kModeSin}, {"BAK", kModeBak}, {"MUL", kModeMul}, {"MULB", kModeMulb},
               {"", 0},         {"sin", 0},        {"SIN ", 0},       {"MULBX", 0}};
  for (const auto& c : cases) EXPECT_EQ(ConfigFileModeBit(c.token), c.bit) << c.token;
}

TEST(ConfigFileMode, TheReaderTakesTheRunGroupsEntryAndCutsValuesAt511Bytes) {
  test::TempDir dir;
  ASSERT_TRUE(test::WriteFileBytes(dir.File("c.ini"), std::string("[运行参数]\r\nDTU通道运行模式=MUL\r\n[a]\r\nk="_gbk) +
                                                          std::string(600, 'v') + "\r\n"));
  const ConfigFileReader reader(dir.File("c.ini"));
  EXPECT_EQ(reader.ModeBit(), kModeMul);
  EXPECT_EQ(reader.Value("a", "k"), std::string(511, 'v'));
  EXPECT_EQ(reader.Value("a", "absent"), "");
  EXPECT_EQ(ConfigFileReader(dir.File("missing.ini")).ModeBit(), 0);
}

TEST(HexCompare, DigitsCompareWithoutBlanksAndLetterCase) {
  const struct {
    const char* a;
    const char* b;
    bool equal;
  } cases[] = {
      {"0A 1b", "0A1B", true},  {"0a1b", "0A 1B", true}, {"", "", true},       {"FE01", "FE02", false},
      {"", "FE01", false},      {"FE01", "", false},     {"ABC", "ABC", false}, {"0G", "0G", false},
      {"  ", "  ", false},      {"0A-1B", "0A1B", false}, {"00", "00", true},   {"0x0A", "0A", false},
  };
  for (const auto& c : cases) EXPECT_EQ(HexStrEqual(c.a, c.b), c.equal) << c.a << " / " << c.b;
}

TEST(SignalReply, TheNumberBetweenCsqAndTheCommaWithoutBlanks) {
  const struct {
    const char* excerpt;
    std::optional<std::int32_t> signal;
  } cases[] = {
      {"CSQ: 23,99\r\nOK", 23}, {"CSQ:15,0\r\nOK", 15},   {"CSQ: 2 3,99\r\nOK", 23}, {"CSQ: 99,99\r\nOK", 99},
      {"CSQ: ,99\r\nOK", 0},    {"CSQ: x1,99\r\nOK", 0},  {"CSQ: 23\r\nOK", std::nullopt},
      {"+CQ: 23,99", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(SignalFromReply(c.excerpt), c.signal) << c.excerpt;
}

TEST(IdentityLines, LabelsInTheirOrderThroughTheirLineEnd) {
  const std::string collected =
      "boot\r\nRevision: R7\r\nManufacturer: ZR\r\nIMEI Number: 8601\r\nProduct Name: no line end";
  EXPECT_EQ(IdentityLines(collected),
            (std::vector<std::string>{"IMEI Number: 8601\r\n", "Manufacturer: ZR\r\n", "Revision: R7\r\n"}));
  EXPECT_TRUE(IdentityLines("nothing here\r\n").empty());
}

}  // namespace
}  // namespace zt
