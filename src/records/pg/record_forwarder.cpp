#include "records/record_forwarder.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "records/line_store.h"

namespace zt {

LineStoreFactory LineStoreFactoryFor(std::string url) {
  return [url = std::move(url)](std::string& error) { return OpenLineStore(url, error); };
}

RecordForwarder::RecordForwarder(IForwardQueue& queue, LineStoreFactory factory, ForwarderTiming timing)
    : queue_(queue), factory_(std::move(factory)), timing_(timing) {
  timing_.batch = std::max<std::size_t>(timing_.batch, 1);
}

RecordForwarder::~RecordForwarder() { Stop(); }

void RecordForwarder::Start() {
  std::lock_guard lock(mutex_);
  if (thread_.joinable()) return;
  stop_ = false;
  status_.running = true;
  thread_ = std::thread([this] { Run(); });
}

void RecordForwarder::Wake() {
  std::lock_guard lock(mutex_);
  woken_ = true;
  changed_.notify_all();
}

void RecordForwarder::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  status_.running = false;
  status_.connected = false;
}

ForwarderStatus RecordForwarder::Status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

bool RecordForwarder::Stopping() const {
  std::lock_guard lock(mutex_);
  return stop_;
}

bool RecordForwarder::Pause(std::chrono::milliseconds how_long, bool wake_ends_it) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, how_long, [&] { return stop_ || (wake_ends_it && woken_); });
  return !stop_;
}

void RecordForwarder::NotePending(std::size_t count) {
  std::lock_guard lock(mutex_);
  status_.pending = count;
}

void RecordForwarder::CountWaiting() {
  std::optional<std::size_t> count;
  if (auto* counting = dynamic_cast<IForwardQueueCount*>(&queue_)) {
    count = counting->UnforwardedCount();
  } else if (std::optional<std::vector<UnitRecord>> waiting = queue_.Unforwarded(timing_.batch)) {
    count = waiting->size();
  }
  if (count) NotePending(*count);
}

void RecordForwarder::NoteFailure(const std::string& error, bool connected) {
  std::lock_guard lock(mutex_);
  status_.connected = connected;
  status_.last_error = error;
}

bool RecordForwarder::Connect(std::unique_ptr<IRecordStore>& line) {
  std::string error;
  line = factory_ ? factory_(error) : nullptr;
  if (!line) {
    NoteFailure(error.empty() ? "the line's database cannot be opened" : error, false);
    return false;
  }
  std::lock_guard lock(mutex_);
  status_.connected = true;
  return true;
}

bool RecordForwarder::ForwardWaiting(std::unique_ptr<IRecordStore>& line) {
  for (;;) {
    {
      // A Wake() from here on asks for another pass.
      std::lock_guard lock(mutex_);
      woken_ = false;
      if (stop_) return true;
    }
    std::optional<std::vector<UnitRecord>> batch = queue_.Unforwarded(timing_.batch);
    if (!batch) {
      NoteFailure("the local store cannot be read for forwarding", line != nullptr);
      return false;
    }
    if (batch->empty()) {
      NotePending(0);
      return true;
    }
    std::vector<std::string> accepted;
    accepted.reserve(batch->size());
    bool line_failed = false;
    for (const UnitRecord& record : *batch) {
      if (Stopping()) break;
      if (!line->Append(record)) {
        NoteFailure(line->LastError(), false);
        line.reset();
        line_failed = true;
        break;
      }
      accepted.push_back(record.uuid);
    }
    if (!accepted.empty()) {
      if (!queue_.MarkForwarded(accepted)) {
        // They are sent again later, and the line keeps its first copies.
        NoteFailure("the local store cannot mark records as forwarded", line != nullptr);
        return false;
      }
      std::lock_guard lock(mutex_);
      status_.forwarded += accepted.size();
    }
    if (line_failed) return false;
    if (batch->size() < timing_.batch) {
      NotePending(0);
      return true;
    }
  }
}

void RecordForwarder::Run() {
  std::unique_ptr<IRecordStore> line;
  std::chrono::milliseconds pause = timing_.first_retry;
  while (!Stopping()) {
    bool ok = line != nullptr || Connect(line);
    if (ok) ok = ForwardWaiting(line);
    if (ok) {
      pause = timing_.first_retry;
      if (!Pause(timing_.idle_check, true)) break;
      continue;
    }
    // The records wait; show how many the next attempt has to send.
    CountWaiting();
    if (!Pause(pause, false)) break;
    pause = std::min(pause * 2, timing_.max_retry);
  }
}

}  // namespace zt
