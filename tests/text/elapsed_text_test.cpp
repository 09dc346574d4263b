#include "text/elapsed_text.h"

#include <gtest/gtest.h>

namespace zt {
namespace {

using namespace std::chrono_literals;

TEST(ElapsedText, MinutesAndSecondsThenHours) {
  EXPECT_EQ(ElapsedText(0s), "00:00");
  EXPECT_EQ(ElapsedText(7s), "00:07");
  EXPECT_EQ(ElapsedText(760s), "12:40");
  EXPECT_EQ(ElapsedText(3723s), "1:02:03");
  EXPECT_EQ(ElapsedText(-4s), "00:00");
}

}  // namespace
}  // namespace zt
