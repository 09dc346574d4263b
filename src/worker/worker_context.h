// Everything one configuration command works with. The worker thread owns one
// and hands it to the operation that runs; nothing in it is shared with
// another command, since commands run one at a time.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

#include "params/channel_modes.h"

namespace zt {

class CSerialPort;
class SharedCatalogue;
class ToolSettingsStore;
struct ProcessFlags;
class IConfigReports;
class ICatalogueErrors;

struct WorkerEnvironment {
  CSerialPort& port;
  SharedCatalogue& catalogue;
  ToolSettingsStore& settings;
  ProcessFlags& flags;
  IConfigReports& reports;
  ICatalogueErrors& catalogue_errors;
  std::string catalogue_folder;                   // where dtuparam_s2.ini / dtuparam_s3.ini lie
  std::string work_folder;                        // where the query makes its private folder for
                                                  // chlparm.dat (empty: $TMPDIR, else /tmp)
};

// The worker's shutdown: a flag that transactions poll as their cancel token,
// and a condition that a sleeping command wakes on.
class StopSignal {
 public:
  void Request() {
    {
      std::lock_guard lock(mutex_);
      flag_.store(true);
    }
    changed_.notify_all();
  }
  bool requested() const { return flag_.load(); }
  const std::atomic<bool>& flag() const { return flag_; }
  // Sleeps `duration`; returns true at once when a stop is requested.
  bool SleepFor(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, duration, [this] { return flag_.load(); });
  }

 private:
  std::atomic<bool> flag_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
};

struct WorkerContext {
  WorkerEnvironment& env;
  IConfigReports& reports;              // env.reports, silenced once the worker is stopping
  std::mutex& worker_lock;              // held around each read and write the worker makes
  StopSignal& stop;                     // the worker is shutting down: transactions end at once
};

// The operations, one per request (config_request.h); each returns whether
// it succeeded.
bool RunConnect(WorkerContext& ctx, ChannelMode mode);
// The first part of RunConnect: wake the DTU ("RUN AT") and log in.
bool RunWakeAndLogin(WorkerContext& ctx);
bool RunQuery(WorkerContext& ctx, ChannelMode mode);
bool RunSetChannels(WorkerContext& ctx, ChannelMode mode);
bool RunSetWithoutChannels(WorkerContext& ctx);
bool RunDefaults(WorkerContext& ctx, std::optional<ChannelMode> mode);
bool RunRestart(WorkerContext& ctx);

}  // namespace zt
