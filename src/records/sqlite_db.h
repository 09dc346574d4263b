// A thin RAII face over SQLite's C API: a connection and its prepared
// statements. Nothing throws; every failing call returns false and leaves
// SQLite's message in the connection's LastError().
//
// Thread safety: a connection and its statements belong to one thread at a
// time (the store serialises its callers).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace zt {

class SqliteStatement;

class SqliteDb {
 public:
  SqliteDb() = default;
  ~SqliteDb();
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;

  // Opens (creating when `create`) the file read-write, or read-only when
  // the file allows no more; a symbolic link is refused.
  bool Open(const std::string& path, bool create);
  bool IsOpen() const { return db_ != nullptr; }
  bool ReadOnly() const;

  bool Exec(std::string_view sql);
  std::optional<SqliteStatement> Prepare(std::string_view sql);
  // The first column of the first row as a number; nothing when there is
  // no row or the statement fails.
  std::optional<std::int64_t> QueryInt(std::string_view sql);

  // Calls `hook` with the number of pages in the write-ahead log after each
  // commit of this connection (on the committing thread).
  void OnWalCommit(std::function<void(int pages)> hook);

  const std::string& LastError() const { return error_; }
  // SQLite's primary result code of the last failure.
  int LastCode() const { return code_; }
  void SetError(int code);

 private:
  sqlite3* db_ = nullptr;
  std::function<void(int)> wal_hook_;
  std::string error_;
  int code_ = 0;
};

class SqliteStatement {
 public:
  SqliteStatement(SqliteDb& db, sqlite3_stmt* stmt) : db_(&db), stmt_(stmt) {}
  ~SqliteStatement();
  SqliteStatement(SqliteStatement&& other) noexcept : db_(other.db_), stmt_(other.stmt_) { other.stmt_ = nullptr; }
  SqliteStatement& operator=(SqliteStatement&& other) noexcept;
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  // Parameters count from 1.
  void Bind(int index, std::string_view text);
  void Bind(int index, std::int64_t value);
  void BindNull(int index);
  // True while a row is there; `failed` tells the end from an error.
  bool Step();
  bool Failed() const { return failed_; }
  // Runs a statement that returns no rows; true when it succeeded.
  bool Run();
  void Reset();

  std::string Text(int column) const;
  std::int64_t Int(int column) const;
  bool IsNull(int column) const;

 private:
  SqliteDb* db_;
  sqlite3_stmt* stmt_;
  bool failed_ = false;
};

}  // namespace zt
