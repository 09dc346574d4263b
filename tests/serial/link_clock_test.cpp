#include "serial/link_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace zt {
namespace {

TEST(LinkClock, NeverGoesBack) {
  std::int64_t last = LinkSeconds();
  for (int i = 0; i < 10000; ++i) {
    const std::int64_t now = LinkSeconds();
    ASSERT_GE(now, last);
    last = now;
  }
}

TEST(LinkClock, SpeedupMakesLinkSecondsRunFaster) {
  ScopedLinkClockSpeedup fast(1000);
  const std::int64_t start = LinkSeconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // at least 20 link seconds
  EXPECT_GE(LinkSeconds() - start, 19);
}

}  // namespace
}  // namespace zt
