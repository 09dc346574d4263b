#include "dtusim/param_set.h"

#include <algorithm>

namespace zt::dtusim {

const std::string* ParamBlock::Find(std::string_view key) const {
  for (const Entry& e : entries_) {
    if (e.first == key) return &e.second;
  }
  return nullptr;
}

bool ParamBlock::Set(std::string_view key, std::string_view value) {
  for (Entry& e : entries_) {
    if (e.first == key) {
      e.second = value;
      return true;
    }
  }
  return false;
}

void ParamBlock::Put(std::string_view key, std::string_view value) {
  if (!Set(key, value)) entries_.emplace_back(std::string(key), std::string(value));
}

const ChannelBlocks* ParamSet::CurrentChannels() const {
  auto it = channels.find(mode);
  return it == channels.end() ? nullptr : &it->second;
}

ChannelBlocks* ParamSet::CurrentChannels() {
  auto it = channels.find(mode);
  return it == channels.end() ? nullptr : &it->second;
}

bool IsModeToken(std::string_view text) {
  return std::find(std::begin(kModeTokens), std::end(kModeTokens), text) != std::end(kModeTokens);
}

}  // namespace zt::dtusim
