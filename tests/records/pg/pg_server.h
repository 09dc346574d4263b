// A PostgreSQL server of a test's own: a new cluster (initdb) in a temporary
// folder, listening only on a Unix socket there, stopped and removed with
// the object. When the tests run as root, the server runs as the "postgres"
// user (or "nobody"), since PostgreSQL refuses to run as root.
//
// Authentication: the superuser "zt" connects without a password; every
// other role must give its password (SCRAM).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace zt::test {

class PgServer {
 public:
  PgServer();
  ~PgServer();
  PgServer(const PgServer&) = delete;
  PgServer& operator=(const PgServer&) = delete;

  // The folder with initdb and postgres, the newest version under
  // /usr/lib/postgresql; empty when the server is not installed.
  static std::string FindBinaries();

  // A new cluster, started, with the database `database`. False with the
  // reason (and the server's log) in `error`.
  bool Create(const std::string& database, std::string& error);
  // Starts the server on its data folder (again, after Stop()).
  bool Start(std::string& error);
  // Immediate shutdown: the server ends at once, as when it crashes or its
  // machine loses power; the next start recovers from the write-ahead log.
  void Stop();

  // Runs SQL as the superuser in `database`; false with the reason.
  bool Execute(const std::string& database, const std::string& sql, std::string& error) const;

  // A URL to `database`: "postgresql://user[:password]@/database?host=...&port=...".
  std::string Url(const std::string& database, const std::string& user = "zt",
                  const std::string& password_in_url = "") const;

  const std::string& Folder() const { return folder_; }

 private:
  // Runs `argv` as the server's user with its output in the log; the child.
  pid_t Spawn(const std::vector<std::string>& argv, std::string& error) const;
  std::string LogTail() const;

  std::string bin_;
  std::string folder_;      // socket folder and log; the data folder inside
  std::string data_;
  std::string log_;
  int port_ = 0;
  bool other_user_ = false;  // run as run_uid_ / run_gid_
  uid_t run_uid_ = 0;
  gid_t run_gid_ = 0;
  pid_t postmaster_ = -1;
};

}  // namespace zt::test
