#include "serial/link_clock.h"

#include <atomic>
#include <chrono>

namespace zt {
namespace {

std::atomic<int> g_speedup{1};

}  // namespace

std::int64_t LinkSeconds() {
  constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
  const std::int64_t nanos =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count();
  const std::int64_t factor = g_speedup.load(std::memory_order_relaxed);
  // Split into seconds and the rest so that the product cannot overflow.
  return (nanos / kNanosPerSecond) * factor + (nanos % kNanosPerSecond) * factor / kNanosPerSecond;
}

ScopedLinkClockSpeedup::ScopedLinkClockSpeedup(int factor)
    : previous_(g_speedup.exchange(factor < 1 ? 1 : factor)) {}

ScopedLinkClockSpeedup::~ScopedLinkClockSpeedup() { g_speedup.store(previous_); }

}  // namespace zt
