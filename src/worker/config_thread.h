// CConfigThread: the configuration worker. A thread with a queue of its own
// that runs the DTU configuration commands (connect, query, set, restore
// defaults, restart) strictly one at a time, in posting order, away from the
// user interface thread. It reports through IConfigReports, synchronously.
//
// Threads: Post may be called from any thread and never waits. The reports
// are called on the worker thread. Shutdown (also run by the destructor)
// ends a running transaction at once, drops the commands still queued and
// joins the thread; a receiver whose reports block on the thread that shuts
// down (the GUI) must keep serving them while it waits, see RequestStop and
// WaitStopped.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "worker/config_request.h"
#include "worker/worker_context.h"

namespace zt {

class CConfigThread {
 public:
  explicit CConfigThread(WorkerEnvironment env);
  ~CConfigThread();
  CConfigThread(const CConfigThread&) = delete;
  CConfigThread& operator=(const CConfigThread&) = delete;

  // Starts the thread; later calls do nothing.
  void Start();

  // Queues a request; it runs when the ones before it have.
  void Post(const ConfigRequest& request);

  // Waits until every queued command has run; false on time-out.
  bool WaitIdle(std::chrono::milliseconds timeout);

  // Asks the thread to end: the running transaction ends, queued commands
  // are dropped, and no report is made after the running one returns.
  void RequestStop();
  // Waits up to `timeout` for the thread to end after RequestStop; joins it
  // and returns true when it has ended.
  bool WaitStopped(std::chrono::milliseconds timeout);
  // RequestStop, then wait for the end.
  void Shutdown();

 private:
  // Forwards reports to the receiver until the worker is asked to stop.
  class GuardedReports;

  void Run();
  bool Dispatch(const ConfigRequest& request);

  WorkerEnvironment env_;
  std::unique_ptr<GuardedReports> reports_;
  std::mutex worker_lock_;
  StopSignal stop_;

  std::mutex queue_mutex_;
  std::condition_variable queue_changed_;
  std::deque<ConfigRequest> queue_;
  bool busy_ = false;
  bool ended_ = false;
  std::thread thread_;
};

}  // namespace zt
