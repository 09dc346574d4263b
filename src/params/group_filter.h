// Which groups take part for a channel mode: the one rule, and where it
// differs. A group that is not per channel (chn < 1) always takes part; a
// channel group when its mode set matches the mode, which means one of two
// things:
//   ModeMatch::kBit    the set holds the mode's bit: the views, the CLI's
//                      table and the production test (GroupTakesPart);
//   ModeMatch::kExact  the set IS the mode: only "set with channels"
//                      (SetWithChannelsWrites), which also needs the mode to
//                      have the group's channel.
// The earlier generation has no channel groups in force (every group
// belongs), and a configuration file that names no mode takes every group.
#pragma once

#include <cstdint>

#include "params/param_catalogue.h"

namespace zt {

enum class ModeMatch { kBit, kExact };

inline bool IsChannelGroup(const ParamGroup& group) { return group.chn >= 1; }

inline bool ChannelGroupMatches(const ParamGroup& group, std::int32_t mode, ModeMatch match) {
  return match == ModeMatch::kExact ? group.dtu_run_type == mode : (group.dtu_run_type & mode) != 0;
}

inline bool GroupBelongsToMode(const ParamGroup& group, bool s3, std::int32_t mode) {
  return !s3 || !IsChannelGroup(group) || ChannelGroupMatches(group, mode, ModeMatch::kBit);
}

// The production test: whether a group takes part for the configuration
// file's mode (0: the file names none, and every group does).
inline bool GroupTakesPart(const ParamGroup& group, std::int32_t file_mode) {
  return file_mode == 0 || !IsChannelGroup(group) || ChannelGroupMatches(group, file_mode, ModeMatch::kBit);
}

// The groups "set with channels" writes: every group that is not per
// channel, and the channel groups made for exactly this mode whose channel
// the mode has.
inline bool SetWithChannelsWrites(const CParamCatalogue& c, const ParamGroup& group, std::int32_t mode) {
  if (!IsChannelGroup(group)) return true;
  return ChannelGroupMatches(group, mode, ModeMatch::kExact) && c.channels.HasChannel(mode, group.chn);
}

}  // namespace zt
