// The process-wide flags that cross threads. Each is written by one side and
// polled by the other, so each is atomic.
//
//   port_open     set by a successful port open, cleared by close (and by the
//                 connection dialog's accept); read by the AT view and panels.
//   port_closed   true at start, cleared by open, set by close; every worker
//                 transaction aborts while it is set.
//   at_mode       the process-wide copy of the frame's AT mode flag; worker
//                 transactions abort while the AT view is in use.
//   file_variant  S3 (later firmware generation) or S2; set from the DTU's
//                 software version after a connect; picks the catalogue file.
//   exiting       set when the operator confirms the exit.
//   upgrade_cancel  set by the upgrade page's "取消升级"; nothing upgrades
//                 in the background yet, so nothing reads it.
#pragma once

#include <atomic>
#include <cstdint>

namespace zt {

enum class FileVariant : std::uint8_t { kS2 = 0, kS3 = 1 };

struct ProcessFlags {
  std::atomic<bool> port_open{false};
  std::atomic<bool> port_closed{true};
  std::atomic<bool> at_mode{false};
  std::atomic<FileVariant> file_variant{FileVariant::kS3};
  std::atomic<bool> exiting{false};
  std::atomic<bool> upgrade_cancel{false};
};

// The one instance the programs use. Tests make their own ProcessFlags and
// hand them to the objects under test.
ProcessFlags& GlobalFlags();

inline bool IsS3(const ProcessFlags& flags) { return flags.file_variant.load() == FileVariant::kS3; }

}  // namespace zt
