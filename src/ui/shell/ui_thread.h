// Work that must run on the user interface thread, asked for from any thread.
#pragma once

#include <functional>

namespace zt::ui {

// Runs `work` on the UI thread and returns once it has run: directly when
// called there (or when no application object exists), otherwise as a
// blocking queued call, so the calling thread waits while the UI thread's
// event loop runs `work`. The UI thread must never wait on the caller.
void RunOnUiThread(const std::function<void()>& work);

bool OnUiThread();

}  // namespace zt::ui
