// The line's records in PostgreSQL. Every value travels as a bound
// parameter; texts are stored as UTF-8 (a stray byte as "\xNN").
//
// One object is one connection: use it from one thread at a time. A call
// after the connection broke tries once to connect again (within libpq's
// connect time-out) before it fails.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/pg/pg_connection.h"
#include "records/record_store.h"

namespace zt {

class PgRecordStore final : public IRecordStore {
 public:
  // Connects to `url` and brings the schema up to date; nothing, with the
  // reason in `error` (the URL shown without its password), on failure.
  static std::unique_ptr<PgRecordStore> Open(const std::string& url, std::string& error);

  bool Append(const UnitRecord& record) override;
  std::optional<std::vector<UnitRecord>> List(const RecordFilter& filter) override;
  std::optional<UnitRecord> Find(const std::string& uuid) override;
  std::optional<ImeiUse> PassedWithImeiOtherThan(const std::string& imei, const std::string& product,
                                                 bool& error) override;
  std::string LastError() const override { return last_error_; }

 private:
  explicit PgRecordStore(pg::Connection conn) : conn_(std::move(conn)) {}

  // The connection, connected again when it broke; null when it cannot be.
  PGconn* Live();
  // Runs a statement; the result, or null with LastError() set.
  pg::Result Run(const std::string& sql, const std::vector<pg::Param>& params);
  std::optional<std::vector<UnitRecord>> Select(const std::string& where, const std::vector<pg::Param>& params,
                                                const std::string& tail);

  pg::Connection conn_;
  std::string last_error_;
};

}  // namespace zt
