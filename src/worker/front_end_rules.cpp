#include "worker/front_end_rules.h"

#include "params/shared_catalogue.h"

namespace zt {

std::array<ConfigRequest, 2> RestoreDefaultsThenQuery(ChannelMode mode) {
  return {DefaultsRequest{mode}, QueryRequest{mode}};
}

void RebuildAfterConnect(SharedCatalogue& catalogue) {
  catalogue.Write([](CParamCatalogue& c) { c.RebuildCommonGroup(); });
}

std::optional<QueryRequest> FollowReportedMode(int shown_index, int reported_index) {
  if (reported_index == shown_index) return std::nullopt;
  return QueryRequest{ModeFromSelector(reported_index)};
}

}  // namespace zt
