// The production test's recorder and duplicate-IMEI guard over the records
// stores (prodtest/unit_recorder.h), and the station's records as the front
// ends set them up.
//
// A unit's record is written to the station's store on the run thread when
// the unit ends: one SQLite transaction in WAL mode, well under the 2 ms a
// unit may wait for it (bench/bench_records.cpp). A record that cannot be
// written gives the run a line saying why; the unit's result stays.
//
// Thread safety: the recorder and the guard are called on the run thread;
// the stores serialise their own calls.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <functional>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <string>
#include <vector>

#include "prodtest/unit_recorder.h"
#include "records/record_forwarder.h"
#include "records/record_store.h"
#include "records/sqlite_record_store.h"
#include "settings/record_settings.h"

namespace zt {

// Who and what tests, fixed for a recorder's life.
struct RecorderIdentity {
  std::string station;        // UTF-8
  std::string operator_name;  // UTF-8
  std::string tool_version;
  bool required = false;      // RECORDS_REQUIRED
};

// The record of a unit as the run reported it: texts converted to UTF-8,
// a new UUID, the configuration file's SHA-256.
UnitRecord RecordOfReport(const UnitReport& report, const RecorderIdentity& who, const std::string& port);

// The port's stable name (/dev/serial/by-id/...) when it has one, else the
// name as given.
std::string StablePortName(const std::string& port_name);

// Records are written on the recorder's own thread: UnitEnded hands the
// record over and waits at most kRecordWait for its write, so that the
// run never waits on the disk (a checkpoint, a slow disk). A write that
// fails within that time gives the unit's run-log line at once; one that
// fails later gives it at the next unit's end, or through TakeNotices.
class StoreUnitRecorder final : public IUnitRecorder {
 public:
  static constexpr std::chrono::milliseconds kRecordWait{1};

  // `store` may be null: `open_error` (UTF-8) then says why it could not be opened.
  StoreUnitRecorder(SqliteRecordStore* store, std::string open_error, RecorderIdentity who);
  // Writes what is still waiting, then joins the writer.
  ~StoreUnitRecorder() override;
  StoreUnitRecorder(const StoreUnitRecorder&) = delete;
  StoreUnitRecorder& operator=(const StoreUnitRecorder&) = delete;

  // Waits (up to a second) until the records before are written; with
  // records required, refuses when the store cannot take more.
  bool UnitStarting(const std::string& port_name) override;
  std::string UnitEnded(const UnitReport& report) override;

  // Waits until every record handed over was written (or failed); false
  // after `limit`.
  bool Flush(std::chrono::milliseconds limit = std::chrono::seconds(10));
  // GBK run-log lines of writes that failed after their unit was reported.
  std::vector<std::string> TakeNotices();
  // The UUID of the last record written, "" before the first.
  std::string LastUuid() const;
  // Called on the writer's thread after records were written (the line's
  // forwarder is woken so). Set before the first unit.
  void SetAfterWrite(std::function<void()> after_write) { after_write_ = std::move(after_write); }

 private:
  void WriterThread();

  SqliteRecordStore* store_;
  std::string open_error_;
  RecorderIdentity who_;
  std::string port_name_;    // as the run named it (run thread only)
  std::string stable_port_;  // what the records say

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<UnitRecord> queue_;
  std::uint64_t handed_ = 0;   // records handed over
  std::uint64_t done_ = 0;     // records written or failed
  std::vector<std::string> failures_;  // GBK lines not yet told
  bool stopping_ = false;
  std::string last_uuid_;
  std::function<void()> after_write_;
  std::thread writer_;
};

// Several ports' runs may ask at once: the questions are taken one at a time
// (the line's store serves one thread at a time).
class StoreImeiGuard final : public IDuplicateImeiGuard {
 public:
  // The stores asked, in order (the station's, then the line's); null entries are skipped.
  explicit StoreImeiGuard(std::vector<IRecordStore*> stores) : stores_(std::move(stores)) {}
  // `line_known_down`, when given, is asked before each store after the
  // first (the line's): true skips it with a note, so that a unit never
  // waits on a connect to a line known to be down.
  StoreImeiGuard(std::vector<IRecordStore*> stores, std::function<bool()> line_known_down)
      : stores_(std::move(stores)), line_known_down_(std::move(line_known_down)) {}
  std::optional<std::string> EarlierUse(const std::string& imei, const std::string& product,
                                        std::string& note) override;

 private:
  std::mutex mutex_;
  std::vector<IRecordStore*> stores_;
  std::function<bool()> line_known_down_;
};

// GBK "测试记录写入失败: <why>".
std::string RecordNotWrittenLine(const std::string& why_utf8);

// A station's records as a front end sets them up from its settings: the
// local store (opened, or why not), the line's store when a URL is given,
// the recorder and the guard over both.
class StationRecords {
 public:
  struct Setup {
    std::string records_file;      // the local store's path
    RecordSettings settings;       // from tool_set.ini
    std::string operator_name;     // overrides the settings' when not empty
    std::string url;               // overrides the settings' when not empty
    std::string tool_version;
  };
  explicit StationRecords(const Setup& setup);

  StoreUnitRecorder& recorder() { return *recorder_; }
  // Another recorder over the same stores, for another port's run.
  std::unique_ptr<StoreUnitRecorder> NewRecorder();
  // The forwarding to the line's database (none without a URL or a local store).
  RecordForwarder* forwarder() { return forwarder_.get(); }
  // Before a program ends: waits up to `limit` while records still wait for
  // a line's database that is connected. What is left waits in the local
  // store for the next run.
  void FinishForwarding(std::chrono::milliseconds limit);
  IDuplicateImeiGuard& guard() { return *guard_; }
  SqliteRecordStore* local() { return local_.get(); }
  IRecordStore* line() { return line_.get(); }
  // UTF-8: why the local store or the line's could not be opened, "" when they were.
  const std::string& local_error() const { return local_error_; }
  const std::string& line_error() const { return line_error_; }

 private:
  std::unique_ptr<SqliteRecordStore> local_;
  std::unique_ptr<IRecordStore> line_;
  std::string local_error_;
  std::string line_error_;
  RecorderIdentity who_;
  // Declared after the local store, so that it stops before the store goes.
  std::unique_ptr<RecordForwarder> forwarder_;
  std::unique_ptr<StoreUnitRecorder> recorder_;
  std::unique_ptr<StoreImeiGuard> guard_;
};

}  // namespace zt
