#include "worker/config_thread.h"

#include <optional>

#include "worker/config_reports.h"
#include "worker/worker_transact.h"

namespace zt {

class CConfigThread::GuardedReports final : public IConfigReports {
 public:
  GuardedReports(IConfigReports& target, const StopSignal& stop) : target_(target), stop_(stop) {}
  void Log(std::string_view line) override {
    if (!stop_.requested()) target_.Log(line);
  }
  void Done(int value) override {
    if (!stop_.requested()) target_.Done(value);
  }
  void Ready() override {
    if (!stop_.requested()) target_.Ready();
  }
  void ModeIndex(int index) override {
    if (!stop_.requested()) target_.ModeIndex(index);
  }
  void DtuConnected() override {
    if (!stop_.requested()) target_.DtuConnected();
  }
  void CommandFinished(unsigned message, bool succeeded) override {
    if (!stop_.requested()) target_.CommandFinished(message, succeeded);
  }
  void Progress(const WorkerProgress& progress) override {
    if (!stop_.requested()) target_.Progress(progress);
  }

 private:
  IConfigReports& target_;
  const StopSignal& stop_;
};

CConfigThread::CConfigThread(WorkerEnvironment env)
    : env_(std::move(env)), reports_(std::make_unique<GuardedReports>(env_.reports, stop_)) {}

CConfigThread::~CConfigThread() { Shutdown(); }

void CConfigThread::Start() {
  std::lock_guard lock(queue_mutex_);
  if (thread_.joinable() || ended_) return;
  thread_ = std::thread([this] { Run(); });
}

void CConfigThread::Post(const ConfigRequest& request) {
  {
    std::lock_guard lock(queue_mutex_);
    if (stop_.requested()) return;
    queue_.push_back(request);
  }
  queue_changed_.notify_all();
}

bool CConfigThread::WaitIdle(std::chrono::milliseconds timeout) {
  std::unique_lock lock(queue_mutex_);
  return queue_changed_.wait_for(lock, timeout, [this] { return (queue_.empty() && !busy_) || ended_; });
}

void CConfigThread::RequestStop() {
  stop_.Request();
  {
    std::lock_guard lock(queue_mutex_);
    queue_.clear();
  }
  queue_changed_.notify_all();
}

bool CConfigThread::WaitStopped(std::chrono::milliseconds timeout) {
  {
    std::unique_lock lock(queue_mutex_);
    if (!queue_changed_.wait_for(lock, timeout, [this] { return ended_ || !thread_.joinable(); })) {
      return false;
    }
  }
  if (thread_.joinable()) thread_.join();
  return true;
}

void CConfigThread::Shutdown() {
  RequestStop();
  while (!WaitStopped(std::chrono::milliseconds(100))) {
  }
}

void CConfigThread::Run() {
  for (;;) {
    std::optional<ConfigRequest> request;
    {
      std::unique_lock lock(queue_mutex_);
      queue_changed_.wait(lock, [this] { return stop_.requested() || !queue_.empty(); });
      if (stop_.requested()) break;
      request = queue_.front();
      queue_.pop_front();
      busy_ = true;
    }
    const bool succeeded = Dispatch(*request);
    reports_->CommandFinished(RequestMessage(*request), succeeded);
    {
      std::lock_guard lock(queue_mutex_);
      busy_ = false;
    }
    queue_changed_.notify_all();
  }
  {
    std::lock_guard lock(queue_mutex_);
    ended_ = true;
    busy_ = false;
  }
  queue_changed_.notify_all();
}

bool CConfigThread::Dispatch(const ConfigRequest& request) {
  WorkerContext ctx{env_, *reports_, worker_lock_, stop_};
  // A request that finds a production test run on the port ends with the
  // one line that says so, before any line of its own.
  if (WorkerPortTaken(ctx)) return false;
  return std::visit(Overloaded{
                        [&](const ConnectRequest& r) { return RunConnect(ctx, r.mode); },
                        [&](const QueryRequest& r) { return RunQuery(ctx, r.mode); },
                        [&](const SetWithChannelsRequest& r) { return RunSetChannels(ctx, r.mode); },
                        [&](const SetRequest&) { return RunSetWithoutChannels(ctx); },
                        [&](const DefaultsRequest& r) { return RunDefaults(ctx, r.mode); },
                        [&](const RestartRequest&) { return RunRestart(ctx); },
                        [&](const WakeAndLoginRequest&) { return RunWakeAndLogin(ctx); },
                    },
                    request);
}

}  // namespace zt
