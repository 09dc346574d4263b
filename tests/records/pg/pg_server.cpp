#include "pg_server.h"

#include <fcntl.h>
#include <grp.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace zt::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kSuperuser = "zt";
// The superuser connects freely; every other role proves its password.
constexpr const char* kHba =
    "local all zt trust\n"
    "local all all scram-sha-256\n";

// A temporary folder short enough for a socket path (108 bytes).
std::string MakeFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string root = base != nullptr && *base != '\0' && std::string(base).size() < 60 ? base : "/tmp";
  std::string pattern = root + "/zt-pg-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

// Waits for a child; its exit status, or -1 when it did not end in time.
int WaitChild(pid_t pid, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (done < 0) return -1;
    if (Clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace

PgServer::PgServer() : bin_(FindBinaries()) {
  // Any number: the socket lives in the test's own folder.
  port_ = 20000 + static_cast<int>(getpid() % 20000);
}

PgServer::~PgServer() {
  Stop();
  if (!folder_.empty()) {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
}

std::string PgServer::FindBinaries() {
  std::string best;
  int best_version = -1;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
    const std::string bin = entry.path().string() + "/bin";
    if (access((bin + "/initdb").c_str(), X_OK) != 0 || access((bin + "/postgres").c_str(), X_OK) != 0) continue;
    const int version = std::atoi(entry.path().filename().c_str());
    if (version > best_version) {
      best_version = version;
      best = bin;
    }
  }
  return best;
}

pid_t PgServer::Spawn(const std::vector<std::string>& argv, std::string& error) const {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const int log = open(log_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (log < 0 || null < 0) {
    error = "cannot open the server's log";
    if (log >= 0) close(log);
    if (null >= 0) close(null);
    return -1;
  }
  if (other_user_ && fchown(log, run_uid_, run_gid_) != 0) {
    error = "cannot hand the log to the server's user";
    close(log);
    close(null);
    return -1;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here to exec.
    dup2(null, 0);
    dup2(log, 1);
    dup2(log, 2);
    if (other_user_ && (setgroups(0, nullptr) != 0 || setgid(run_gid_) != 0 || setuid(run_uid_) != 0)) _exit(126);
    // Set after the user change, which clears it: the server ends
    // (immediately) when the test program dies.
    prctl(PR_SET_PDEATHSIG, SIGQUIT);
    execv(args[0], args.data());
    _exit(127);
  }
  close(log);
  close(null);
  if (pid < 0) error = "fork failed";
  return pid;
}

bool PgServer::Create(const std::string& database, std::string& error) {
  if (bin_.empty()) {
    error = "PostgreSQL server binaries not found";
    return false;
  }
  folder_ = MakeFolder();
  if (folder_.empty()) {
    error = "cannot make a temporary folder";
    return false;
  }
  data_ = folder_ + "/data";
  log_ = folder_ + "/server.log";
  if (geteuid() == 0) {
    // initdb and postgres refuse root.
    const passwd* user = getpwnam("postgres");
    if (user == nullptr) user = getpwnam("nobody");
    if (user == nullptr) {
      error = "running as root and neither a postgres nor a nobody user exists";
      return false;
    }
    other_user_ = true;
    run_uid_ = user->pw_uid;
    run_gid_ = user->pw_gid;
    if (chown(folder_.c_str(), run_uid_, run_gid_) != 0) {
      error = "cannot hand the temporary folder to the server's user";
      return false;
    }
  }
  const pid_t initdb = Spawn({bin_ + "/initdb", "-D", data_, "-A", "trust", "-U", kSuperuser, "--no-sync",
                              "-E", "UTF8", "--locale=C"},
                             error);
  if (initdb < 0) return false;
  if (WaitChild(initdb, std::chrono::seconds(120)) != 0) {
    error = "initdb failed:\n" + LogTail();
    return false;
  }
  {
    std::ofstream hba(data_ + "/pg_hba.conf", std::ios::trunc);
    hba << kHba;
    if (!hba) {
      error = "cannot write pg_hba.conf";
      return false;
    }
  }
  if (!Start(error)) return false;
  return Execute("postgres", "CREATE DATABASE " + database, error);
}

bool PgServer::Start(std::string& error) {
  if (postmaster_ > 0) return true;
  // Durability is not what these tests look at: no fsync keeps them quick,
  // and an immediate stop still loses nothing the server acknowledged,
  // since the kernel keeps the written pages.
  postmaster_ = Spawn({bin_ + "/postgres", "-D", data_, "-p", std::to_string(port_), "-c", "listen_addresses=",
                       "-c", "unix_socket_directories=" + folder_, "-c", "fsync=off", "-c", "max_connections=30"},
                      error);
  if (postmaster_ < 0) return false;
  const std::string conninfo = "host=" + folder_ + " port=" + std::to_string(port_) + " user=zt dbname=postgres";
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  while (Clock::now() < deadline) {
    if (PQping(conninfo.c_str()) == PQPING_OK) return true;
    int status = 0;
    if (waitpid(postmaster_, &status, WNOHANG) == postmaster_) {
      postmaster_ = -1;
      error = "the PostgreSQL server ended while starting:\n" + LogTail();
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  Stop();
  error = "the PostgreSQL server did not answer within 60 s:\n" + LogTail();
  return false;
}

void PgServer::Stop() {
  if (postmaster_ <= 0) return;
  kill(postmaster_, SIGQUIT);
  if (WaitChild(postmaster_, std::chrono::seconds(20)) < 0) {
    kill(postmaster_, SIGKILL);
    WaitChild(postmaster_, std::chrono::seconds(5));
  }
  postmaster_ = -1;
}

bool PgServer::Execute(const std::string& database, const std::string& sql, std::string& error) const {
  const std::string conninfo =
      "host=" + folder_ + " port=" + std::to_string(port_) + " user=zt dbname=" + database;
  PGconn* conn = PQconnectdb(conninfo.c_str());
  bool ok = PQstatus(conn) == CONNECTION_OK;
  if (ok) {
    PGresult* result = PQexec(conn, sql.c_str());
    ok = PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
    if (!ok) error = PQresultErrorMessage(result);
    PQclear(result);
  } else {
    error = PQerrorMessage(conn);
  }
  PQfinish(conn);
  return ok;
}

std::string PgServer::Url(const std::string& database, const std::string& user,
                          const std::string& password_in_url) const {
  std::string url = "postgresql://" + user;
  if (!password_in_url.empty()) url += ":" + password_in_url;
  return url + "@/" + database + "?host=" + folder_ + "&port=" + std::to_string(port_);
}

std::string PgServer::LogTail() const {
  const std::string log = ReadAll(log_);
  return log.size() > 4000 ? log.substr(log.size() - 4000) : log;
}

}  // namespace zt::test
