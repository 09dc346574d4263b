// The station's own records file (records.sqlite3): every record is written
// here first, in one transaction, and waits here to be forwarded to a line's
// database. WAL mode, so that `records list` in another process reads while
// the production test writes.
//
// The file is never replaced or made anew: a file that is not a records
// store (damaged, or another database) gives an error and is left as it is,
// and a symbolic link is refused. A file that can only be read (read-only
// file or folder) opens for listing, but Append fails with SQLite's text,
// as it does on a full disk.
//
// Thread safety: every call may come from any thread; calls are serialised.
// The store owns one thread, which moves the write-ahead log into the file
// (a checkpoint) when it has grown, and joins it when it is destroyed.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "records/record_store.h"
#include "records/sqlite_db.h"

namespace zt {

inline constexpr char kRecordsFileName[] = "records.sqlite3";

struct RecordStoreOptions {
  bool create = true;           // make the file (and its folder) when it is missing
  std::int64_t max_pages = 0;   // above 0: the file may not grow beyond so many pages (a full store)
};

class SqliteRecordStore final : public IRecordStore, public IForwardQueue {
 public:
  // The store at `path`, its schema brought up to date; nothing, with the
  // reason in `error` (UTF-8, naming the file), when it cannot be used.
  static std::unique_ptr<SqliteRecordStore> Open(const std::string& path, std::string& error,
                                                 const RecordStoreOptions& options = {});
  ~SqliteRecordStore() override;

  bool Append(const UnitRecord& record) override;
  std::optional<std::vector<UnitRecord>> List(const RecordFilter& filter) override;
  std::optional<UnitRecord> Find(const std::string& uuid) override;
  std::optional<ImeiUse> PassedWithImeiOtherThan(const std::string& imei, const std::string& product,
                                                 bool& error) override;
  std::optional<RecordStats> Stats(const RecordFilter& filter) override;
  std::string LastError() const override;

  std::optional<std::vector<UnitRecord>> Unforwarded(std::size_t limit) override;
  bool MarkForwarded(const std::vector<std::string>& uuids) override;

  // Whether records can be written now: the file is writable and the last
  // Append (if any) succeeded.
  bool Writable() const;
  const std::string& Path() const { return path_; }

 private:
  SqliteRecordStore() = default;
  bool Fail(std::string text) const;
  std::optional<std::vector<UnitRecord>> Query(const std::string& where, const std::vector<std::string>& args,
                                               const std::string& tail);
  bool ReadSteps(std::vector<UnitRecord>& records, const std::string& where, const std::vector<std::string>& args);

  // The write-ahead log goes into the file on a thread of the store's own,
  // with a connection of its own: an append never waits for the disk.
  void StartCheckpointer();
  void CheckpointThread();

  mutable std::mutex mutex_;
  SqliteDb db_;
  std::optional<SqliteStatement> insert_unit_;
  std::optional<SqliteStatement> insert_step_;
  std::string path_;

  SqliteDb checkpoint_db_;
  std::mutex checkpoint_mutex_;
  std::condition_variable checkpoint_wanted_;
  bool checkpoint_due_ = false;
  bool stopping_ = false;
  std::thread checkpointer_;
  bool last_append_failed_ = false;
  mutable std::string error_;
};

}  // namespace zt
