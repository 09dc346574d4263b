// The decisions the window and the command line share around the worker.
#include "worker/front_end_rules.h"

#include <gtest/gtest.h>

#include <optional>

namespace zt {
namespace {

TEST(FrontEndRules, AReportedModeOtherThanTheSelectorsIsQueriedAgainInThatMode) {
  const struct {
    int shown;
    int reported;
    std::optional<QueryRequest> expected;
  } cases[] = {
      {0, 0, std::nullopt},
      {3, 3, std::nullopt},
      {0, 2, QueryRequest{kModeMul}},
      {2, 3, QueryRequest{kModeMulb}},
      {-1, 0, QueryRequest{kModeSin}},  // no selection yet
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FollowReportedMode(c.shown, c.reported), c.expected) << c.shown << " -> " << c.reported;
  }
}

TEST(FrontEndRules, RestoringTheDefaultsIsFollowedByAQueryInTheSameMode) {
  const std::array<ConfigRequest, 2> expected{DefaultsRequest{kModeBak}, QueryRequest{kModeBak}};
  EXPECT_EQ(RestoreDefaultsThenQuery(kModeBak), expected);
}

}  // namespace
}  // namespace zt
