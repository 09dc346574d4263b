#include "text/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace zt {
namespace {

std::mutex g_private_mutex;
std::string g_private_folder;  // without its trailing "/"

std::string WithoutSlash(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

bool IsPrivateFolder(const std::string& dir) {
  std::lock_guard lock(g_private_mutex);
  return !g_private_folder.empty() && g_private_folder == dir;
}

// mkdir -p with mode 0700 for every folder it makes.
void MakePrivateFolders(const std::string& dir) {
  for (std::size_t end = dir.find('/', 1);; end = dir.find('/', end + 1)) {
    const std::string part = dir.substr(0, end);
    if (::mkdir(part.c_str(), 0700) == 0) ::chmod(part.c_str(), 0700);  // whatever the umask
    if (end == std::string::npos) return;
  }
}

}  // namespace

void SetPrivateFolder(const std::string& folder) {
  std::lock_guard lock(g_private_mutex);
  g_private_folder = WithoutSlash(folder);
}

namespace {

constexpr std::string_view kTemporaryPrefix = ".zt-write-";
constexpr std::size_t kTemporaryNameLength = kTemporaryPrefix.size() + 6;  // mkstemp's XXXXXX
// A writer renames its temporary within moments; one this old was abandoned.
constexpr std::time_t kStaleAfterS = 60;

bool IsOurTemporaryName(std::string_view name) {
  return name.size() == kTemporaryNameLength && name.starts_with(kTemporaryPrefix);
}

void RemoveStaleTemporaries(const std::string& dir) {
  DIR* folder = ::opendir(dir.c_str());
  if (folder == nullptr) return;
  const int dir_fd = ::dirfd(folder);
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = ::readdir(folder)) {
    if (!IsOurTemporaryName(entry->d_name)) continue;
    struct stat st {};
    if (::fstatat(dir_fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || now - st.st_mtime <= kStaleAfterS) continue;
    ::unlinkat(dir_fd, entry->d_name, 0);
  }
  ::closedir(folder);
}

// Only a file is replaced: renaming over a device, a FIFO or a socket would
// remove the node itself (as root, /dev/ttyUSB0 or /dev/null). A link is
// replaced as a link, what it points to staying as it is, unless it points
// at such a node (/dev/stdout): the writer meant that node.
bool MayBeReplaced(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return true;
  if (!S_ISLNK(st.st_mode)) return false;
  return ::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode);
}

}  // namespace

AtomicWriteResult ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  if (!MayBeReplaced(path)) return AtomicWriteResult::kNotWritten;
  const bool private_file = IsPrivateFolder(WithoutSlash(dir));
  if (private_file) MakePrivateFolders(dir);
  RemoveStaleTemporaries(dir);
  std::string temp = dir + "/" + std::string(kTemporaryPrefix) + "XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return AtomicWriteResult::kNotCreated;
  bool ok = true;
  for (std::size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) {
    ::fchmod(fd, old.st_mode & 07777);
  } else if (private_file) {
    ::fchmod(fd, 0600);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (ok && std::rename(temp.c_str(), path.c_str()) == 0) return AtomicWriteResult::kWritten;
  ::unlink(temp.c_str());
  return AtomicWriteResult::kNotWritten;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
  return ReplaceFileAtomically(path, bytes) == AtomicWriteResult::kWritten;
}

}  // namespace zt
