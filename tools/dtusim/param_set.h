// The parameter values a simulated DTU holds: its base lines, one block of
// lines per channel of every channel mode, and its identity.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zt::dtusim {

// Keyword=value lines in the order the DTU reports them. Keywords are
// compared byte for byte, as they travel on the wire.
class ParamBlock {
 public:
  using Entry = std::pair<std::string, std::string>;

  bool Has(std::string_view key) const { return Find(key) != nullptr; }
  const std::string* Find(std::string_view key) const;
  // Replaces the value of a keyword the block holds; false when it holds none.
  bool Set(std::string_view key, std::string_view value);
  // Replaces the value, or appends the keyword when the block lacks it.
  void Put(std::string_view key, std::string_view value);
  const std::vector<Entry>& entries() const { return entries_; }
  bool empty() const { return entries_.empty(); }

 private:
  std::vector<Entry> entries_;
};

// Channel blocks of one channel mode, by channel number (ascending).
using ChannelBlocks = std::map<int, ParamBlock>;

struct ParamSet {
  std::string mode;                               // "SIN", "BAK", "MUL", "MULB"; empty on an S2 unit
  ParamBlock base;                                // lines outside the channel blocks
  std::map<std::string, ChannelBlocks> channels;  // mode token -> its channel blocks
  std::string product_number;                     // SPPID
  std::string imei;                               // IMEINUMBER

  // Blocks of the current mode; nullptr when the mode has none.
  const ChannelBlocks* CurrentChannels() const;
  ChannelBlocks* CurrentChannels();
};

// The channel-mode tokens an S3 unit knows, in their usual order.
inline constexpr std::string_view kModeTokens[] = {"SIN", "BAK", "MUL", "MULB"};
bool IsModeToken(std::string_view text);

}  // namespace zt::dtusim
