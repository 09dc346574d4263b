// A thin layer over libpq: owning handles, statements with bound parameters,
// and the texts PostgreSQL accepts. Nothing here splices a value into SQL.
#pragma once

#include <libpq-fe.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zt::pg {

struct ConnectionCloser {
  void operator()(PGconn* conn) const { PQfinish(conn); }
};
struct ResultClearer {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Connection = std::unique_ptr<PGconn, ConnectionCloser>;
using Result = std::unique_ptr<PGresult, ResultClearer>;

// A parameter in text form, or SQL NULL.
using Param = std::optional<std::string>;

// Seconds libpq waits for a server before it gives up.
inline constexpr int kConnectTimeoutSeconds = 3;

// True for the URLs libpq takes as PostgreSQL connection URIs.
bool IsPostgresUrl(const std::string& url);

// The URL with its password (in the user part or as a "password" parameter)
// replaced by "***", for messages and logs.
std::string RedactUrl(const std::string& url);

// Opens a connection: UTF-8 client encoding, the short connect time-out and
// TCP keep-alives unless the URL sets its own, server notices kept off the
// standard error. Nothing, with libpq's reason in `error`, on failure.
Connection Connect(const std::string& url, std::string& error);

// Runs one statement, parameters bound in text form. The result when the
// server accepted it (rows or a command status); nothing with the server's
// message in `error` otherwise.
Result Exec(PGconn* conn, const char* sql, const std::vector<Param>& params, std::string& error);

// Runs a constant script of several statements (no parameters: the
// migrations), the simple-query way.
bool ExecScript(PGconn* conn, const char* sql, std::string& error);

// The field as text; empty for NULL.
std::string Text(const PGresult* result, int row, int column);
bool IsNull(const PGresult* result, int row, int column);

// A text PostgreSQL stores as it is: valid UTF-8 without NUL. Invalid bytes
// and NUL become "\xNN", so a record with a stray byte cannot block the line.
std::string StorableText(const std::string& text);

}  // namespace zt::pg
