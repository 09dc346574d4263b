// The test view's number edits as the view loads them.
#include "prodtest/test_view_fields.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;

struct FieldCase {
  std::string_view text;
  std::optional<std::int64_t> value;
};

TEST(TestViewFields, WaitTimeTakesDecimalNumbersOfThirtyTwoBits) {
  const FieldCase cases[] = {
      {"15", 15},
      {"0", 0},
      {" 30 ", 30},
      {"+7", 7},
      {"-3", -3},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483648LL},
      {"2147483648", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"-", std::nullopt},
      {"12a", std::nullopt},
      {"1 2", std::nullopt},
      {"0x10", std::nullopt},
  };
  for (const FieldCase& c : cases) {
    const std::optional<std::int32_t> got = ReadWaitTimeField(c.text);
    ASSERT_EQ(got.has_value(), c.value.has_value()) << c.text;
    EXPECT_EQ(got.value_or(0), c.value.value_or(0)) << c.text;
  }
}

TEST(TestViewFields, SignalThresholdTakesUnsignedValuesAndNegativeOnesForStartToRefuse) {
  const FieldCase cases[] = {
      {"0", 0},
      {"31", 31},
      {"32", 32},
      {"4294967295", 4294967295LL},
      {"4294967296", std::nullopt},
      {"-1", -1},
      {"-2147483649", std::nullopt},
      {"", std::nullopt},
      {"abc", std::nullopt},
  };
  for (const FieldCase& c : cases) {
    const std::optional<std::int64_t> got = ReadSignalThresholdField(c.text);
    ASSERT_EQ(got.has_value(), c.value.has_value()) << c.text;
    EXPECT_EQ(got.value_or(0), c.value.value_or(0)) << c.text;
  }
}

TEST(TestViewFields, TheConversionMessageIsTheIntegerPrompt) {
  EXPECT_EQ(IntegerFieldMessage(), "请输入一个整数。"_gbk);
}

}  // namespace
}  // namespace zt
