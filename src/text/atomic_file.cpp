#include "text/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace zt {
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

}  // namespace

AtomicWriteResult ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
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
