// Channel modes of a later-generation DTU and the table that says which
// catalogue group holds the parameters of channel n in mode m.
//
// A mode has three names: a one-bit code (so that a set of modes is a bit set,
// as a group's dtu_run_type is), the token the DTU uses on the wire ("SIN",
// "BAK", "MUL", "MULB") and the display name the operator sees.
//
// Thread safety: the free functions are pure. A ChannelTable is plain data:
// it lives inside the catalogue and is guarded by the catalogue's lock
// (params/shared_catalogue.h); its const members never modify it.
#pragma once

#include <cstdint>
#include <map>
#include <string_view>

namespace zt {

enum ChannelMode : std::int32_t {
  kModeSin = 1,   // single channel
  kModeBak = 2,   // main and backup channel
  kModeMul = 4,   // several channels
  kModeMulb = 8,  // several channels, each with a backup server
};

// Channel numbers the table accepts (the catalogue registers only 1 and up).
inline constexpr std::int32_t kMinChannel = 0;
inline constexpr std::int32_t kMaxChannel = 10;

// "SIN", "BAK", "MUL", "MULB"; any other code gives "ERR_CHP_MODEL".
std::string_view ModeToken(std::int32_t code);

// GBK "单通道", "主备通道", "多通道", "多备通道"; any other code gives "xxx通道****".
std::string_view ModeDisplayName(std::int32_t code);

// The channel-mode selector lists the four modes in code order, so index 0 is
// SIN ... 3 is MULB. Any other index (no selection included) gives SIN.
ChannelMode ModeFromSelector(int selector_index);

// Selector index of a mode code: SIN 0, BAK 1, MUL 2, MULB 3, other codes 0.
int SelectorFromMode(std::int32_t code);

// The DTU reports its mode as the OPPRM value of a query reply. The whole
// value must be one of the four tokens exactly (case-sensitive, no blanks).
struct ModeChoice {
  std::int32_t code;   // the recognised mode, or the current one when not recognised
  int selector_index;  // 0..3; 0 when not recognised
  bool recognised;
};
ModeChoice ModeFromToken(std::string_view token, std::int32_t current_mode);

// Mode code -> (channel number -> catalogue group index), both in ascending order.
class ChannelTable {
 public:
  using ChannelMap = std::map<std::int32_t, std::int32_t>;

  void Clear() { table_.clear(); }

  // For each of the bits 1, 2, 4, 8 set in mode_bits: table[bit][channel] =
  // group_index (the last registration wins). Nothing happens when mode_bits
  // is negative, the channel lies outside 0..10 or group_index is negative.
  void RegisterChannelGroup(std::int32_t mode_bits, std::int32_t channel, std::int32_t group_index);

  // The group of a channel in a mode, or -1 when the mode or channel is absent.
  std::int32_t GroupForChannel(std::int32_t mode, std::int32_t channel) const;

  // True when the mode has that channel; an absent mode has no channels.
  bool HasChannel(std::int32_t mode, std::int32_t channel) const;

  // Channel -> group for one mode in ascending channel order; empty for an
  // absent mode. A copy, so that it may be kept after the lock is released.
  ChannelMap ChannelsOfMode(std::int32_t mode) const;

  bool empty() const { return table_.empty(); }

 private:
  std::map<std::int32_t, ChannelMap> table_;
};

}  // namespace zt
