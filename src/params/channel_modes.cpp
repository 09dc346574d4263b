#include "params/channel_modes.h"

#include "text/gbk_literal.h"

namespace zt {

using namespace zt::literals;

namespace {

struct ModeRow {
  ChannelMode code;
  std::string_view token;
};

constexpr ModeRow kModes[] = {
    {kModeSin, "SIN"},
    {kModeBak, "BAK"},
    {kModeMul, "MUL"},
    {kModeMulb, "MULB"},
};

}  // namespace

std::string_view ModeToken(std::int32_t code) {
  for (const ModeRow& row : kModes) {
    if (row.code == code) return row.token;
  }
  return "ERR_CHP_MODEL";
}

std::string_view ModeDisplayName(std::int32_t code) {
  switch (code) {
    case kModeSin:
      return "单通道"_gbk;
    case kModeBak:
      return "主备通道"_gbk;
    case kModeMul:
      return "多通道"_gbk;
    case kModeMulb:
      return "多备通道"_gbk;
    default:
      return "xxx通道****"_gbk;
  }
}

ChannelMode ModeFromSelector(int selector_index) {
  if (selector_index >= 0 && selector_index < 4) return kModes[selector_index].code;
  return kModeSin;
}

int SelectorFromMode(std::int32_t code) {
  for (int i = 0; i < 4; ++i) {
    if (kModes[i].code == code) return i;
  }
  return 0;
}

ModeChoice ModeFromToken(std::string_view token, std::int32_t current_mode) {
  for (int i = 0; i < 4; ++i) {
    if (kModes[i].token == token) return {kModes[i].code, i, true};
  }
  return {current_mode, 0, false};
}

void ChannelTable::RegisterChannelGroup(std::int32_t mode_bits, std::int32_t channel,
                                        std::int32_t group_index) {
  if (mode_bits < 0 || channel < kMinChannel || channel > kMaxChannel || group_index < 0) return;
  for (const ModeRow& row : kModes) {
    if ((mode_bits & row.code) != 0) table_[row.code][channel] = group_index;
  }
}

std::int32_t ChannelTable::GroupForChannel(std::int32_t mode, std::int32_t channel) const {
  const auto m = table_.find(mode);
  if (m == table_.end()) return -1;
  const auto c = m->second.find(channel);
  return c == m->second.end() ? -1 : c->second;
}

bool ChannelTable::HasChannel(std::int32_t mode, std::int32_t channel) const {
  const auto m = table_.find(mode);
  return m != table_.end() && m->second.count(channel) != 0;
}

ChannelTable::ChannelMap ChannelTable::ChannelsOfMode(std::int32_t mode) const {
  const auto m = table_.find(mode);
  return m == table_.end() ? ChannelMap{} : m->second;
}

}  // namespace zt
