#include "records/sqlite_db.h"

#include <sqlite3.h>

namespace zt {

SqliteDb::~SqliteDb() {
  // Statements are finalised by their owners before the connection goes;
  // close_v2 waits for any that are left.
  if (db_ != nullptr) sqlite3_close_v2(db_);
}

bool SqliteDb::Open(const std::string& path, bool create) {
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW;
  if (create) flags |= SQLITE_OPEN_CREATE;
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    code_ = rc;
    error_ = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    if (db != nullptr) sqlite3_close_v2(db);
    return false;
  }
  sqlite3_extended_result_codes(db, 0);
  db_ = db;
  return true;
}

void SqliteDb::OnWalCommit(std::function<void(int pages)> hook) {
  wal_hook_ = std::move(hook);
  sqlite3_wal_hook(
      db_,
      [](void* self, sqlite3*, const char*, int pages) {
        static_cast<SqliteDb*>(self)->wal_hook_(pages);
        return SQLITE_OK;
      },
      this);
}

bool SqliteDb::ReadOnly() const { return db_ == nullptr || sqlite3_db_readonly(db_, "main") == 1; }

void SqliteDb::SetError(int code) {
  code_ = code & 0xFF;
  error_ = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
}

bool SqliteDb::Exec(std::string_view sql) {
  char* message = nullptr;
  const std::string text(sql);
  const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message);
  if (rc == SQLITE_OK) return true;
  code_ = rc & 0xFF;
  error_ = message != nullptr ? message : sqlite3_errstr(rc);
  sqlite3_free(message);
  return false;
}

std::optional<SqliteStatement> SqliteDb::Prepare(std::string_view sql) {
  sqlite3_stmt* stmt = nullptr;
  const int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
  if (rc != SQLITE_OK) {
    SetError(rc);
    return std::nullopt;
  }
  return SqliteStatement(*this, stmt);
}

std::optional<std::int64_t> SqliteDb::QueryInt(std::string_view sql) {
  std::optional<SqliteStatement> stmt = Prepare(sql);
  if (!stmt || !stmt->Step()) return std::nullopt;
  return stmt->Int(0);
}

SqliteStatement::~SqliteStatement() {
  if (stmt_ != nullptr) sqlite3_finalize(stmt_);
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
  if (this != &other) {
    if (stmt_ != nullptr) sqlite3_finalize(stmt_);
    db_ = other.db_;
    stmt_ = other.stmt_;
    failed_ = other.failed_;
    other.stmt_ = nullptr;
  }
  return *this;
}

void SqliteStatement::Bind(int index, std::string_view text) {
  sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::Bind(int index, std::int64_t value) { sqlite3_bind_int64(stmt_, index, value); }

void SqliteStatement::BindNull(int index) { sqlite3_bind_null(stmt_, index); }

bool SqliteStatement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc != SQLITE_DONE) {
    failed_ = true;
    db_->SetError(rc);
  }
  return false;
}

bool SqliteStatement::Run() {
  Step();
  return !failed_;
}

void SqliteStatement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
  failed_ = false;
}

std::string SqliteStatement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(stmt_, column);
  if (text == nullptr) return {};
  return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

std::int64_t SqliteStatement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

bool SqliteStatement::IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

}  // namespace zt
