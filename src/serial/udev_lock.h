// libudev keeps process-wide state of its own (the seed of its tables,
// taken on first use) that it does not guard against two threads: every
// use of it in the tool (the port list's properties, a watch for a device's
// return) holds this lock. With several ports at once, several run and
// watcher threads reach libudev together.
#pragma once

#include <mutex>

namespace zt {

inline std::mutex& UdevLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace zt
