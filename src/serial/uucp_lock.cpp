#include "serial/uucp_lock.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>

namespace zt {
namespace {

constexpr const char* kLockDirVariable = "ZT_LOCK_DIR";
constexpr const char* kDefaultFolders[] = {"/var/lock", "/run/lock"};
constexpr std::size_t kLockSlots = 16;

std::mutex& FolderMutex() {
  static std::mutex mutex;
  return mutex;
}
std::string& TestFolder() {
  static std::string folder;
  return folder;
}

// The locks this process holds, for the signal handler: a slot is filled
// before it is marked used and unmarked before it is reused. A plain global,
// initialised before main, so that the handler never runs an initialiser.
struct HeldSlot {
  std::atomic<bool> used{false};
  char path[PATH_MAX] = {};
};
static_assert(std::atomic<bool>::is_always_lock_free);
std::array<HeldSlot, kLockSlots> g_held_slots;
std::array<HeldSlot, kLockSlots>& HeldSlots() { return g_held_slots; }
std::mutex& SlotMutex() {
  static std::mutex mutex;
  return mutex;
}

int RememberHeld(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  std::lock_guard lock(SlotMutex());
  auto& slots = HeldSlots();
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (slots[i].used.load()) continue;
    std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
    slots[i].used.store(true);
    return static_cast<int>(i);
  }
  return -1;
}

void ForgetHeld(int slot) {
  if (slot < 0) return;
  std::lock_guard lock(SlotMutex());
  HeldSlots()[static_cast<std::size_t>(slot)].used.store(false);
}

std::string Resolved(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
  return path;
}

std::string Basename(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The PID of a lock file: ASCII (leading blanks allowed), or the four binary
// bytes some old programs write. 0 when there is none.
long PidInFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return 0;
  char buffer[32] = {};
  const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
  ::close(fd);
  if (n <= 0) return 0;
  if (n == 4 && (buffer[0] < ' ' || buffer[3] < ' ')) {
    std::int32_t binary = 0;
    std::memcpy(&binary, buffer, sizeof binary);
    return binary;
  }
  return std::strtol(buffer, nullptr, 10);
}

bool Alive(long pid) { return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

}  // namespace

std::string LockFolder() {
  {
    std::lock_guard lock(FolderMutex());
    if (!TestFolder().empty()) return TestFolder();
  }
  if (const char* folder = std::getenv(kLockDirVariable); folder != nullptr && *folder != '\0') return folder;
  for (const char* folder : kDefaultFolders) {
    struct stat info {};
    if (::stat(folder, &info) == 0 && S_ISDIR(info.st_mode)) return folder;
  }
  return kDefaultFolders[0];
}

void SetLockFolderForTests(const std::string& folder) {
  std::lock_guard lock(FolderMutex());
  TestFolder() = folder;
}

std::string LockFilePath(const std::string& device_path) {
  return LockFolder() + "/LCK.." + Basename(Resolved(device_path));
}

std::string ProgramOfPid(long pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

LockHolder LockHolderOf(const std::string& device_path) {
  const long pid = PidInFile(LockFilePath(device_path));
  if (!Alive(pid)) return {};
  return {pid, ProgramOfPid(pid)};
}

UucpLock::Outcome UucpLock::Acquire(const std::string& device_path) {
  Release();
  holder_ = {};
  path_ = LockFilePath(device_path);
  char content[16];
  std::snprintf(content, sizeof content, "%10ld\n", static_cast<long>(::getpid()));
  // Twice: a stale lock found the first time is removed and the file made again.
  for (int round = 0; round < 2; ++round) {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd >= 0) {
      const ssize_t n = ::write(fd, content, std::strlen(content));
      ::close(fd);
      if (n != static_cast<ssize_t>(std::strlen(content))) {
        ::unlink(path_.c_str());
        return Outcome::kNoLockFile;
      }
      owned_ = true;
      slot_ = RememberHeld(path_);
      return Outcome::kTaken;
    }
    if (errno != EEXIST) return Outcome::kNoLockFile;  // EACCES, EROFS, ENOENT: no lock folder for us
    const long pid = PidInFile(path_);
    if (Alive(pid)) {
      holder_ = {pid, ProgramOfPid(pid)};
      return Outcome::kHeld;
    }
    // Stale: its owner is gone.
    if (::unlink(path_.c_str()) != 0 && errno != ENOENT) return Outcome::kNoLockFile;
  }
  return Outcome::kNoLockFile;
}

void UucpLock::Release() {
  if (!owned_) return;
  ForgetHeld(slot_);
  slot_ = -1;
  owned_ = false;
  // Only our own lock goes: someone may have taken it over as stale.
  if (PidInFile(path_) == static_cast<long>(::getpid())) ::unlink(path_.c_str());
}

void RemoveHeldLocksFromSignal() {
  for (HeldSlot& slot : HeldSlots()) {
    if (slot.used.load()) ::unlink(slot.path);
  }
}

}  // namespace zt
