#include "records/pg/pg_connection.h"

#include <cstdio>
#include <string_view>

namespace zt::pg {
namespace {

constexpr std::string_view kSchemes[] = {"postgresql://", "postgres://"};

void IgnoreNotice(void* /*arg*/, const char* /*message*/) {}

// The end of the authority part: the first '/', '?' or '#' after the scheme.
std::size_t AuthorityEnd(const std::string& url, std::size_t start) {
  std::size_t end = url.find_first_of("/?#", start);
  return end == std::string::npos ? url.size() : end;
}

std::string ChompMessage(const char* message) {
  std::string text = message != nullptr ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

// The length of the valid UTF-8 sequence at `s[i]`, 0 when it is not one.
std::size_t Utf8SequenceLength(const std::string& s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (lead >= 0x01 && lead <= 0x7F) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

bool IsPostgresUrl(const std::string& url) {
  for (std::string_view scheme : kSchemes) {
    if (url.compare(0, scheme.size(), scheme) == 0) return true;
  }
  return false;
}

std::string RedactUrl(const std::string& url) {
  std::string out = url;
  const std::size_t scheme_end = out.find("://");
  if (scheme_end != std::string::npos) {
    const std::size_t start = scheme_end + 3;
    const std::size_t end = AuthorityEnd(out, start);
    const std::size_t at = out.rfind('@', end == 0 ? 0 : end - 1);
    if (at != std::string::npos && at >= start) {
      const std::size_t colon = out.find(':', start);
      if (colon != std::string::npos && colon < at) out.replace(colon + 1, at - colon - 1, "***");
    }
  }
  // "password=..." among the parameters.
  const std::size_t query = out.find('?');
  if (query != std::string::npos) {
    std::size_t pos = query + 1;
    while (pos < out.size()) {
      std::size_t amp = out.find('&', pos);
      if (amp == std::string::npos) amp = out.size();
      constexpr std::string_view kKey = "password=";
      if (out.compare(pos, kKey.size(), kKey) == 0) {
        out.replace(pos + kKey.size(), amp - pos - kKey.size(), "***");
        amp = out.find('&', pos);
        if (amp == std::string::npos) amp = out.size();
      }
      pos = amp + 1;
    }
  }
  return out;
}

Connection Connect(const std::string& url, std::string& error) {
  const std::string timeout = std::to_string(kConnectTimeoutSeconds);
  // Keywords before "dbname" are defaults the URL may override; those after
  // it hold whatever the URL says.
  const char* keywords[] = {"connect_timeout", "keepalives_idle", "keepalives_interval", "keepalives_count",
                            "tcp_user_timeout", "application_name", "dbname", "client_encoding", nullptr};
  const char* values[] = {timeout.c_str(), "10", "5", "3", "15000", "zereltool", url.c_str(), "UTF8", nullptr};
  Connection conn(PQconnectdbParams(keywords, values, 1));
  if (!conn) {
    error = "out of memory";
    return nullptr;
  }
  if (PQstatus(conn.get()) != CONNECTION_OK) {
    error = ChompMessage(PQerrorMessage(conn.get()));
    return nullptr;
  }
  PQsetNoticeProcessor(conn.get(), IgnoreNotice, nullptr);
  return conn;
}

Result Exec(PGconn* conn, const char* sql, const std::vector<Param>& params, std::string& error) {
  std::vector<const char*> values;
  values.reserve(params.size());
  for (const Param& p : params) values.push_back(p ? p->c_str() : nullptr);
  Result result(PQexecParams(conn, sql, static_cast<int>(values.size()), nullptr, values.data(), nullptr, nullptr, 0));
  if (!result) {
    error = ChompMessage(PQerrorMessage(conn));
    if (error.empty()) error = "no answer from the database";
    return nullptr;
  }
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    error = ChompMessage(PQresultErrorMessage(result.get()));
    if (error.empty()) error = ChompMessage(PQerrorMessage(conn));
    return nullptr;
  }
  return result;
}

bool ExecScript(PGconn* conn, const char* sql, std::string& error) {
  Result result(PQexec(conn, sql));
  if (!result || PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
    error = ChompMessage(result ? PQresultErrorMessage(result.get()) : PQerrorMessage(conn));
    if (error.empty()) error = ChompMessage(PQerrorMessage(conn));
    return false;
  }
  return true;
}

std::string Text(const PGresult* result, int row, int column) {
  if (PQgetisnull(result, row, column)) return {};
  return std::string(PQgetvalue(result, row, column), static_cast<std::size_t>(PQgetlength(result, row, column)));
}

bool IsNull(const PGresult* result, int row, int column) { return PQgetisnull(result, row, column) != 0; }

std::string StorableText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text[i]));
      out += escaped;
      ++i;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

}  // namespace zt::pg
