#include "worker/channel_work_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace zt {
namespace {

constexpr std::string_view kWorkFileName = "chlparm.dat";

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now; false when the close reported an error (data not written).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// The private folder and the file in it; both go when the object does.
class PrivateFolder {
 public:
  explicit PrivateFolder(const std::string& parent) {
    std::string name = (parent.empty() ? DefaultWorkParent() : parent) + "/zt-query-XXXXXX";
    if (::mkdtemp(name.data()) != nullptr) folder_ = std::move(name);  // mode 0700
  }
  ~PrivateFolder() {
    if (folder_.empty()) return;
    ::unlink(File().c_str());
    ::rmdir(folder_.c_str());
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  bool made() const { return !folder_.empty(); }
  std::string File() const { return folder_ + "/" + std::string(kWorkFileName); }

 private:
  std::string folder_;
};

bool WriteAll(int fd, std::string_view bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, std::string& back) {
  back.clear();
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    back.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace

std::string DefaultWorkParent() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? std::string(tmp) : std::string("/tmp");
}

WorkFileResult RoundTripWorkFile(const std::string& parent, std::string_view text, std::string& back) {
  const PrivateFolder folder(parent);
  if (!folder.made()) return WorkFileResult::kCannotCreate;
  const std::string path = folder.File();
  {
    Descriptor out(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (out.get() < 0 || !WriteAll(out.get(), text) || !out.Close()) return WorkFileResult::kCannotCreate;
  }
  Descriptor in(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat st {};
  const bool opened = in.get() >= 0 && ::fstat(in.get(), &st) == 0 && S_ISREG(st.st_mode);
  if (!opened || !ReadAll(in.get(), back)) return WorkFileResult::kCannotReopen;
  return WorkFileResult::kOk;
}

}  // namespace zt
