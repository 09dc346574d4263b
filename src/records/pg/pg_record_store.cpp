#include "records/pg/pg_record_store.h"

#include "records/pg/pg_record_rows.h"
#include "records/pg/pg_schema.h"

namespace zt {
namespace {

// The product a record stands for: the one written, else the one read back.
constexpr const char* kRecordProductSql =
    "(CASE WHEN r.product_written <> '' THEN r.product_written ELSE r.product_read END)";

}  // namespace

std::unique_ptr<PgRecordStore> PgRecordStore::Open(const std::string& url, std::string& error) {
  if (!pg::IsPostgresUrl(url)) {
    error = "not a PostgreSQL URL (postgresql://... or postgres://...): " + pg::RedactUrl(url);
    return nullptr;
  }
  std::string reason;
  pg::Connection conn = pg::Connect(url, reason);
  if (!conn) {
    error = "cannot connect to the line's database " + pg::RedactUrl(url) + ": " + reason;
    return nullptr;
  }
  if (!pg::EnsureSchema(conn.get(), reason)) {
    error = reason;
    return nullptr;
  }
  return std::unique_ptr<PgRecordStore>(new PgRecordStore(std::move(conn)));
}

PGconn* PgRecordStore::Live() {
  if (PQstatus(conn_.get()) != CONNECTION_OK) {
    PQreset(conn_.get());
    if (PQstatus(conn_.get()) != CONNECTION_OK) {
      std::string reason = PQerrorMessage(conn_.get());
      while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ')) reason.pop_back();
      last_error_ = "the line's database cannot be reached: " + reason;
      return nullptr;
    }
  }
  return conn_.get();
}

pg::Result PgRecordStore::Run(const std::string& sql, const std::vector<pg::Param>& params) {
  PGconn* conn = Live();
  if (conn == nullptr) return nullptr;
  std::string reason;
  pg::Result result = pg::Exec(conn, sql.c_str(), params, reason);
  if (!result) last_error_ = "the line's database: " + reason;
  return result;
}

bool PgRecordStore::Append(const UnitRecord& record) {
  return Run(pg::kInsertRecordSql, pg::InsertRecordParams(record)) != nullptr;
}

std::optional<std::vector<UnitRecord>> PgRecordStore::Select(const std::string& where,
                                                             const std::vector<pg::Param>& params,
                                                             const std::string& tail) {
  const std::string sql = std::string("SELECT ") + pg::kRecordColumnsSql + " FROM records r" + where +
                          " ORDER BY r.started DESC, r.uuid DESC" + tail;
  pg::Result result = Run(sql, params);
  if (!result) return std::nullopt;
  std::vector<UnitRecord> records;
  const int rows = PQntuples(result.get());
  records.reserve(static_cast<std::size_t>(rows));
  for (int row = 0; row < rows; ++row) {
    std::optional<UnitRecord> record = pg::RecordFromRow(result.get(), row, last_error_);
    if (!record) return std::nullopt;
    records.push_back(std::move(*record));
  }
  return records;
}

std::optional<std::vector<UnitRecord>> PgRecordStore::List(const RecordFilter& filter) {
  std::string where;
  std::vector<pg::Param> params;
  // Adds "<condition>" with its value as the next parameter ("$n" in the
  // condition's text stands for it).
  const auto add = [&](const std::string& condition, const std::string& value) {
    params.push_back(pg::StorableText(value));
    std::string text = condition;
    const std::string placeholder = "$" + std::to_string(params.size());
    for (std::size_t at = text.find("$n"); at != std::string::npos; at = text.find("$n", at + placeholder.size())) {
      text.replace(at, 2, placeholder);
    }
    where += (where.empty() ? " WHERE " : " AND ") + text;
  };
  if (!filter.since.empty()) add("r.started >= $n", filter.since);
  if (!filter.until.empty()) add("r.started < $n", filter.until);
  if (!filter.imei.empty()) add("(r.imei_written = $n OR r.imei_read = $n)", filter.imei);
  if (!filter.product.empty()) add("(r.product_written = $n OR r.product_read = $n)", filter.product);
  if (filter.result) add("r.result = $n", pg::ResultColumnText(*filter.result));
  if (!filter.station.empty()) add("r.station = $n", filter.station);
  std::string tail;
  if (filter.limit != 0) {
    params.push_back(std::to_string(filter.limit));
    tail = " LIMIT $" + std::to_string(params.size()) + "::bigint";
  }
  return Select(where, params, tail);
}

std::optional<UnitRecord> PgRecordStore::Find(const std::string& uuid) {
  std::optional<std::vector<UnitRecord>> found = Select(" WHERE r.uuid = $1", {pg::StorableText(uuid)}, "");
  if (!found || found->empty()) return std::nullopt;
  return std::move(found->front());
}

std::optional<ImeiUse> PgRecordStore::PassedWithImeiOtherThan(const std::string& imei, const std::string& product,
                                                              bool& error) {
  error = false;
  if (imei.empty()) return std::nullopt;
  const std::string sql = std::string("SELECT r.uuid, r.ended, r.station, ") + kRecordProductSql +
                          " FROM records r WHERE r.result = 'passed' AND (r.imei_written = $1 OR r.imei_read = $1)"
                          " AND " + kRecordProductSql + " <> $2 ORDER BY r.ended DESC, r.uuid DESC LIMIT 1";
  pg::Result result = Run(sql, {pg::StorableText(imei), pg::StorableText(product)});
  if (!result) {
    error = true;
    return std::nullopt;
  }
  if (PQntuples(result.get()) == 0) return std::nullopt;
  return ImeiUse{pg::Text(result.get(), 0, 0), pg::Text(result.get(), 0, 1), pg::Text(result.get(), 0, 2),
                 pg::Text(result.get(), 0, 3)};
}

}  // namespace zt
