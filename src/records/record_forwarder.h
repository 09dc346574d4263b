// Sends the local store's records to the line's database on a thread of its
// own. The production test only writes the local store and calls Wake(); it
// never waits on the network.
//
// A record reaches the line exactly once: it is marked forwarded in the local
// store only after the line's database accepted it, and a record accepted
// but not yet marked (the program ended in between) is sent again and left
// alone there, the UUID being the key. When the line's database cannot be
// reached, the records wait in the local store; the forwarder connects again
// after a pause that doubles from `first_retry` up to `max_retry`.
//
// Threads: Start(), Stop() and the destructor belong to the owner; Wake()
// and Status() may be called from any thread. The queue is called from the
// forwarder's thread only, so it must allow that beside the thread that
// writes records. Stop() returns once a connection attempt or a statement in
// progress ends (libpq's connect time-out bounds the first); a pause between
// attempts ends at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "records/record_store.h"

namespace zt {

// A local queue that can count what waits without reading it; the forwarder
// uses it for its status when the queue offers it.
class IForwardQueueCount {
 public:
  virtual ~IForwardQueueCount() = default;
  virtual std::optional<std::size_t> UnforwardedCount() = 0;
};

// Opens the line's store; nothing with the reason in `error`.
using LineStoreFactory = std::function<std::unique_ptr<IRecordStore>(std::string& error)>;

// The factory for a URL: OpenLineStore(url).
LineStoreFactory LineStoreFactoryFor(std::string url);

struct ForwarderTiming {
  std::chrono::milliseconds first_retry{1000};
  std::chrono::milliseconds max_retry{30000};
  // Without a Wake(), the local store is looked at again after this long.
  std::chrono::milliseconds idle_check{30000};
  std::size_t batch = 100;
};

struct ForwarderStatus {
  bool running = false;
  bool connected = false;     // the line's database is connected and took the last batch
  std::size_t pending = 0;    // records waiting in the local store (at least this many when
                              // the queue cannot count them)
  std::size_t forwarded = 0;  // records the line accepted since Start()
  std::string last_error;     // UTF-8, the latest failure; empty when none happened yet
};

class RecordForwarder {
 public:
  RecordForwarder(IForwardQueue& queue, LineStoreFactory factory, ForwarderTiming timing = {});
  ~RecordForwarder();
  RecordForwarder(const RecordForwarder&) = delete;
  RecordForwarder& operator=(const RecordForwarder&) = delete;

  // Starts the thread (once); it forwards what already waits at once.
  void Start();
  // A new record waits in the local store. During a pause after a failure
  // the forwarder keeps its pause: a busy line must not hammer a server that
  // is down.
  void Wake();
  // Ends the thread and waits for it.
  void Stop();

  ForwarderStatus Status() const;

 private:
  void Run();
  // One pass over what waits; false when the line or the local store failed.
  bool ForwardWaiting(std::unique_ptr<IRecordStore>& line);
  bool Connect(std::unique_ptr<IRecordStore>& line);
  void NotePending(std::size_t count);
  // Asks the local store how many records wait.
  void CountWaiting();
  void NoteFailure(const std::string& error, bool connected);
  // Pauses; false when Stop() ended the pause.
  bool Pause(std::chrono::milliseconds how_long, bool wake_ends_it);
  bool Stopping() const;

  IForwardQueue& queue_;
  LineStoreFactory factory_;
  ForwarderTiming timing_;

  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable changed_;
  bool stop_ = false;
  bool woken_ = false;
  ForwarderStatus status_;
  std::thread thread_;
};

}  // namespace zt
