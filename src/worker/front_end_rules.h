// What every front end does around the configuration worker, so that the
// window and the command line decide alike: the requests that restore the
// defaults, and the answers to the worker's READY and MODE_INDEX reports.
#pragma once

#include <array>
#include <optional>

#include "params/channel_modes.h"
#include "worker/config_request.h"

namespace zt {

class SharedCatalogue;

// Restoring the DTU's factory values in `mode` is followed by a query in
// the same mode, so that the values shown are the DTU's new ones. A front
// end posts both; the command line stops at the first that fails.
std::array<ConfigRequest, 2> RestoreDefaultsThenQuery(ChannelMode mode);

// READY: the connect loaded the catalogue afresh, so the common group is
// built again from the catalogue's marks.
void RebuildAfterConnect(SharedCatalogue& catalogue);

// MODE_INDEX: the DTU runs in the mode of selector index `reported_index`
// while the selector shows `shown_index`. Nothing to do when they agree;
// otherwise the selector moves to the reported index and the values are
// queried again in that mode (the returned request).
std::optional<QueryRequest> FollowReportedMode(int shown_index, int reported_index);

}  // namespace zt
