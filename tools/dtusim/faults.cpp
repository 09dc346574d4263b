#include "dtusim/faults.h"

#include <charconv>

namespace zt::dtusim {

bool ParseValueOverride(std::string_view text, ValueOverride* out) {
  ValueOverride v;
  size_t eq = text.find('=');
  if (eq == std::string_view::npos) return false;
  std::string_view key = text.substr(0, eq);
  size_t colon = key.find(':');
  if (colon != std::string_view::npos) {
    std::string_view number = key.substr(0, colon);
    auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), v.channel);
    if (ec != std::errc() || ptr != number.data() + number.size() || v.channel < 1) return false;
    key.remove_prefix(colon + 1);
  }
  if (key.empty()) return false;
  v.key = key;
  v.value = text.substr(eq + 1);
  *out = std::move(v);
  return true;
}

std::vector<Emission> ChunkShaper::Shape(const Emission& e) {
  std::vector<Emission> pieces;
  std::uniform_int_distribution<size_t> size_dist(1, kMaxPiece);
  std::uniform_int_distribution<Millis::rep> gap_dist(kMinGap.count(), kMaxGap.count());
  Millis at = e.at;
  size_t pos = 0;
  while (pos < e.bytes.size()) {
    size_t n = std::min(size_dist(rng_), e.bytes.size() - pos);
    pieces.push_back({at, e.bytes.substr(pos, n)});
    pos += n;
    at += Millis(gap_dist(rng_));
  }
  return pieces;
}

}  // namespace zt::dtusim
