#include "common/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zt {

FileReadStatus ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  // O_NONBLOCK: opening a FIFO with no writer would otherwise wait for one.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? FileReadStatus::kMissing : FileReadStatus::kUnreadable;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok && st.st_size > 0) bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[8192];
  while (ok) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (!ok) bytes.clear();
  return ok ? FileReadStatus::kRead : FileReadStatus::kUnreadable;
}

}  // namespace zt
