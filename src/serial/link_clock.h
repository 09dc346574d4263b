// The clock of the DTU link. The DTU protocol counts its limits in whole
// seconds ("RUN AT" within 20 s, the query within 60 s): a limit of n seconds
// is over at the first check where n whole seconds have passed since the
// start, so a 1-second limit ends anywhere between a few milliseconds and a
// second after the start, at the next change of the second.
//
// Thread safety: every function may be called from any thread.
#pragma once

#include <cstdint>

namespace zt {

// Whole seconds of a monotonic clock (never steps with the wall clock).
std::int64_t LinkSeconds();

// Test hook: while an object lives, link seconds run `factor` times faster, so
// a test can watch a 20 s or 120 s limit expire. Millisecond waits (the 10,
// 20 and 500 ms poll steps) are not scaled. The programs never use it. Do not
// nest two of them, and create them while no transaction runs: the link clock
// jumps when the factor changes.
class ScopedLinkClockSpeedup {
 public:
  explicit ScopedLinkClockSpeedup(int factor);
  ~ScopedLinkClockSpeedup();
  ScopedLinkClockSpeedup(const ScopedLinkClockSpeedup&) = delete;
  ScopedLinkClockSpeedup& operator=(const ScopedLinkClockSpeedup&) = delete;

 private:
  int previous_;
};

}  // namespace zt
