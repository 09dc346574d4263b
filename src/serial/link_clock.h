// The clock of the DTU link. The DTU protocol counts its limits in whole
// seconds ("RUN AT" within 20 s, the query within 60 s): a limit of n seconds
// is over at the first check where n whole seconds have passed since the
// start, so a 1-second limit ends anywhere between a few milliseconds and a
// second after the start, at the next change of the second.
//
// The port carries the clock its transactions count in
// (CSerialPort::LinkClock). The programs keep the real one; a test that must
// watch a 20 s or 120 s limit expire hands the port it drives a faster one,
// so that the product's limits stay as they are. Millisecond waits (the 10,
// 20 and 500 ms poll steps) are never scaled.
//
// Thread safety: a LinkClock is a plain value; Seconds may be called from
// any thread.
#pragma once

#include <cstdint>

namespace zt {

class LinkClock {
 public:
  // The real clock: one link second per second.
  constexpr LinkClock() = default;
  // A clock whose seconds pass `scale` times faster (below 1 counts as 1).
  explicit constexpr LinkClock(int scale) : scale_(scale < 1 ? 1 : scale) {}

  // Whole link seconds of a monotonic clock (never steps with the wall clock).
  std::int64_t Seconds() const;
  int scale() const { return scale_; }

 private:
  int scale_ = 1;
};

}  // namespace zt
