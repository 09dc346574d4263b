// Faults a test can ask of the simulated DTU, so that every failure path of
// the tool can be reached over a real line.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace zt::dtusim {

using Millis = std::chrono::milliseconds;

// One forced value: the unit reports `value` for `key` whatever was set.
struct ValueOverride {
  int channel = 0;  // 0: a base line; n: the block of channel n in every mode
  std::string key;
  std::string value;
};

// "KEY=VALUE" or "N:KEY=VALUE"; false when the text has neither form.
bool ParseValueOverride(std::string_view text, ValueOverride* out);

struct Faults {
  bool mute = false;                        // never answers anything
  std::optional<std::uint64_t> mute_after;  // answers this many exchanges, then nothing
  std::vector<std::string> error_on;        // command prefixes or keywords answered with ERROR
  Millis reply_delay{0};                    // every answer leaves this much later
  bool lf_only = false;                     // lines the unit sends end in LF alone
  std::vector<ValueOverride> values;        // forced values (new keywords are added)
  std::string report_mode;                  // the mode an S3 unit runs in, whatever it is asked
  bool huge_reply = false;                  // AT+GETPARAM? answers more than 40960 bytes
  bool reenumerate_on_reset = false;        // AT+RESET drops the line and serves a new one
};

// A run of bytes the unit sends at a given time (milliseconds since start).
struct Emission {
  Millis at{0};
  std::string bytes;
  bool reenumerate = false;  // no bytes: the line goes away and a new one takes its place
};

// Cuts each emission into random pieces of 1 to kMaxPiece bytes separated by
// gaps of kMinGap to kMaxGap, as a slow or bursty unit would deliver them.
// Deterministic for a given seed.
class ChunkShaper {
 public:
  static constexpr size_t kMaxPiece = 16;
  static constexpr Millis kMinGap{1};
  static constexpr Millis kMaxGap{15};

  explicit ChunkShaper(std::uint32_t seed) : rng_(seed) {}
  std::vector<Emission> Shape(const Emission& e);

 private:
  std::mt19937 rng_;
};

}  // namespace zt::dtusim
