// The worker's transactions, bound to its port, lock, flags and reports, and
// ended at once when the worker shuts down.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "serial/at_transaction.h"
#include "worker/worker_context.h"

namespace zt {

// SendAndWait on the worker's side of the port; the matched text goes into
// `reply`, cut to `capacity` bytes.
AtResult WorkerSendAndWait(WorkerContext& ctx, std::optional<std::string_view> command, std::string_view expected,
                      std::string& reply, std::size_t capacity, int time_limit_s, std::uint16_t attempts);

// ResendAndWait on the worker's side of the port.
AtResult WorkerResendAndWait(WorkerContext& ctx, std::optional<std::string_view> command,
                        std::string_view expected, std::string& reply, std::size_t capacity,
                        int time_limit_s);

// Logs the abort line that the flags call for now and returns true, or
// returns false when the worker may go on. (The query's channel pass checks
// before every parameter; transactions check for themselves.)
bool WorkerAbortCheck(WorkerContext& ctx);

// Logs WorkerPortBusyText() and reports Done(0), as a transaction refused
// the port does, and returns true when another user (a production test run)
// has the port; false when the worker may go on.
bool WorkerPortTaken(WorkerContext& ctx);

// Sleeps, ending early when the worker shuts down.
void WorkerSleep(WorkerContext& ctx, int milliseconds);

}  // namespace zt
