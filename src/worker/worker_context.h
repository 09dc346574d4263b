// Everything one configuration command works with. The worker thread owns one
// and hands it to the operation that runs; nothing in it is shared with
// another command, since commands run one at a time.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

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
  std::string channel_work_file = "chlparm.dat";  // the query's work file (current folder)
};

struct WorkerContext {
  WorkerEnvironment& env;
  IConfigReports& reports;              // env.reports, silenced once the worker is stopping
  std::mutex& worker_lock;              // held around each read and write the worker makes
  const std::atomic<bool>& stopping;    // the worker is shutting down: transactions end at once
};

// The operations, one per command; each returns whether it succeeded.
bool RunConnect(WorkerContext& ctx, int mode);
bool RunQuery(WorkerContext& ctx, int mode);
bool RunSetChannels(WorkerContext& ctx, int mode);
bool RunSetWithoutChannels(WorkerContext& ctx);
bool RunDefaults(WorkerContext& ctx, int mode);
bool RunRestart(WorkerContext& ctx);

}  // namespace zt
