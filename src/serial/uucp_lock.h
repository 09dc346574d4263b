// UUCP lock files, as minicom, ser2net and QSerialPort expect them:
// "LCK..<device basename>" in the lock folder (/var/lock, else /run/lock),
// holding the owner's PID as a ten-byte ASCII decimal number and a newline,
// created with O_EXCL. The name is that of the device a path resolves to, so
// a by-id link and its ttyUSB name take the same lock.
//
// A lock whose PID is gone is stale: it is removed and taken. A lock of a
// live process (this one included) refuses the port and names the holder.
// Where the lock folder cannot be written the port opens without a lock file
// (flock and TIOCEXCL still keep other openers out) and the result says so.
//
// The paths of the locks this process holds are kept in a fixed table, so
// that a signal handler can remove them (RemoveHeldLocksFromSignal) without
// anything but unlink(2).
//
// Thread safety: every function may be called from any thread.
#pragma once

#include <string>

namespace zt {

// The lock folder in force: the test folder when one is set (the
// ZT_LOCK_DIR environment variable, or SetLockFolderForTests), else the first
// of /var/lock and /run/lock that exists.
std::string LockFolder();
// Test hook: lock files go to `folder` ("" gives back the default).
void SetLockFolderForTests(const std::string& folder);

// The lock file's path for a device path (links resolved).
std::string LockFilePath(const std::string& device_path);

// The name a running process goes by (/proc/<pid>/comm), "" when unknown.
std::string ProgramOfPid(long pid);

struct LockHolder {
  long pid = 0;  // 0: nobody holds the lock (or it is stale)
  std::string program;
};

// Who holds the lock of `device_path` now; a stale lock counts as nobody's.
LockHolder LockHolderOf(const std::string& device_path);

class UucpLock {
 public:
  enum class Outcome {
    kTaken,       // the lock is ours
    kHeld,        // a live process holds it: holder()
    kNoLockFile,  // the folder cannot be written: go on without a lock file
  };

  UucpLock() = default;
  ~UucpLock() { Release(); }
  UucpLock(const UucpLock&) = delete;
  UucpLock& operator=(const UucpLock&) = delete;

  Outcome Acquire(const std::string& device_path);
  // Removes the lock file if it is ours; nothing otherwise.
  void Release();

  const LockHolder& holder() const { return holder_; }
  const std::string& path() const { return path_; }
  bool held() const { return owned_; }

 private:
  std::string path_;
  bool owned_ = false;
  int slot_ = -1;
  LockHolder holder_;
};

// Unlinks every lock file this process holds. Async-signal-safe.
void RemoveHeldLocksFromSignal();

}  // namespace zt
