#include "serial/link_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace zt {
namespace {

TEST(LinkClock, NeverGoesBack) {
  const LinkClock clock;
  std::int64_t last = clock.Seconds();
  for (int i = 0; i < 10000; ++i) {
    const std::int64_t now = clock.Seconds();
    ASSERT_GE(now, last);
    last = now;
  }
}

TEST(LinkClock, AScaledClockRunsFaster) {
  const LinkClock fast(1000);
  const std::int64_t start = fast.Seconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // at least 20 link seconds
  EXPECT_GE(fast.Seconds() - start, 19);
}

}  // namespace
}  // namespace zt
