// Which groups belong to the channel mode in force: every group that is not
// per channel, and on the later generation the channel groups whose mode set
// holds the mode. (On the earlier generation every group belongs.)
#pragma once

#include <cstdint>

#include "params/param_catalogue.h"

namespace zt {

inline bool GroupBelongsToMode(const ParamGroup& group, bool s3, std::int32_t mode) {
  if (!s3 || group.chn < 1) return true;
  return (group.dtu_run_type & mode) != 0;
}

// The groups "set with channels" writes: every group that is not per
// channel, and the channel groups made for exactly this mode whose channel
// the mode has.
inline bool SetWithChannelsWrites(const CParamCatalogue& c, const ParamGroup& group, std::int32_t mode) {
  if (group.chn < 1) return true;
  return group.dtu_run_type == mode && c.channels.HasChannel(mode, group.chn);
}

}  // namespace zt
