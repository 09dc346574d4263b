// The configuration worker's message numbers: the names its requests are
// reported under when they have run (config_request.h), and the reports it
// sends back. The values are those of the tool's message interface (WM_APP
// is 0x8000, WM_USER 0x400).
#pragma once

namespace zt {

inline constexpr unsigned kWmApp = 0x8000;
inline constexpr unsigned kWmUser = 0x400;

// Requests; what each carries is in its type (config_request.h).
inline constexpr unsigned WM_CFG_QUERY = kWmApp + 0x6B;
inline constexpr unsigned WM_CFG_SET = kWmApp + 0x6C;
inline constexpr unsigned WM_CFG_DEFAULTS = kWmApp + 0x6D;
inline constexpr unsigned WM_CFG_RESTART = kWmApp + 0x6E;
inline constexpr unsigned WM_CFG_CONNECT = kWmApp + 0x6F;
inline constexpr unsigned WM_CFG_SET_CHANNELS = kWmApp + 0x78;
// Not a message of the frame's: the command line's wake-up and login alone.
inline constexpr unsigned WM_CFG_WAKE_AND_LOGIN = kWmApp + 0x79;

// Reports, sent by the worker and handled before it goes on.
inline constexpr unsigned WM_CFG_LOG = kWmApp + 0x64;
inline constexpr unsigned WM_CFG_DONE = kWmApp + 0x66;
inline constexpr unsigned WM_CFG_READY = kWmApp + 0x6A;
inline constexpr unsigned WM_CFG_MODE_INDEX = kWmApp + 0x82;
inline constexpr unsigned WM_DTU_CONNECTED = kWmUser + 100;

}  // namespace zt
