// SIGINT and SIGTERM with a port open: the lock files this process holds are
// removed in the handler (unlink only, which is async-signal-safe). Then the
// handler either writes one byte to `notify_fd` (the window's self-pipe: it
// closes the port and ends in its own loop) or, with -1, lets the signal end
// the process as it would have without the handler.
#pragma once

namespace zt {

void InstallPortCleanupOnSignals(int notify_fd);

}  // namespace zt
