// The requests the configuration worker runs. Each is a type of its own that
// carries exactly what its operation needs, so a channel mode travels as a
// mode and the worker's dispatch (std::visit) names every request: a new one
// does not build until the worker has a handler for it.
#pragma once

#include <optional>
#include <variant>

#include "params/channel_modes.h"
#include "worker/config_messages.h"

namespace zt {

// Wake the DTU, log in, read its version, load the catalogue of its
// generation, then query every parameter in `mode`.
struct ConnectRequest {
  ChannelMode mode;
  static constexpr unsigned kMessage = WM_CFG_CONNECT;
  bool operator==(const ConnectRequest&) const = default;
};

// "AT+GETPARAM?" and, on the later generation, the channel pass of `mode`.
struct QueryRequest {
  ChannelMode mode;
  static constexpr unsigned kMessage = WM_CFG_QUERY;
  bool operator==(const QueryRequest&) const = default;
};

// The ticked parameters, each channel group of `mode` after its channel
// selection, then the save.
struct SetWithChannelsRequest {
  ChannelMode mode;
  static constexpr unsigned kMessage = WM_CFG_SET_CHANNELS;
  bool operator==(const SetWithChannelsRequest&) const = default;
};

// The ticked parameters of every group, without channel selections.
struct SetRequest {
  static constexpr unsigned kMessage = WM_CFG_SET;
  bool operator==(const SetRequest&) const = default;
};

// The DTU's factory values. The earlier generation takes "AT+USEDEFAULT"
// whatever the mode; the later one needs the mode ("AT+USEDEFAULT=MUL"), and
// without one the worker logs the mode error and sends nothing.
struct DefaultsRequest {
  std::optional<ChannelMode> mode;
  static constexpr unsigned kMessage = WM_CFG_DEFAULTS;
  bool operator==(const DefaultsRequest&) const = default;
};

// "AT+RESET".
struct RestartRequest {
  static constexpr unsigned kMessage = WM_CFG_RESTART;
  bool operator==(const RestartRequest&) const = default;
};

// The first part of a connect alone: wake the DTU and log in (the
// command-line AT exchange, which then talks to the DTU itself).
struct WakeAndLoginRequest {
  static constexpr unsigned kMessage = WM_CFG_WAKE_AND_LOGIN;
  bool operator==(const WakeAndLoginRequest&) const = default;
};

using ConfigRequest = std::variant<ConnectRequest, QueryRequest, SetWithChannelsRequest, SetRequest,
                                   DefaultsRequest, RestartRequest, WakeAndLoginRequest>;

// The message a request is reported under when it has run
// (IConfigReports::CommandFinished).
inline unsigned RequestMessage(const ConfigRequest& request) {
  return std::visit([](const auto& r) { return r.kMessage; }, request);
}

// std::visit with a set of lambdas, one per alternative.
template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

}  // namespace zt
