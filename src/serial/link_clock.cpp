#include "serial/link_clock.h"

#include <chrono>

namespace zt {

std::int64_t LinkClock::Seconds() const {
  constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
  const std::int64_t nanos =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count();
  const std::int64_t factor = scale_;
  // Split into seconds and the rest so that the product cannot overflow.
  return (nanos / kNanosPerSecond) * factor + (nanos % kNanosPerSecond) * factor / kNanosPerSecond;
}

}  // namespace zt
