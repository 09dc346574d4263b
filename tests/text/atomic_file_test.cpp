// Replacing a file whole: only files (and links to files) are replaced.
#include "text/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "support/temp_dir.h"

namespace zt {
namespace {

// A path that names a device, a FIFO, a socket or a folder is left as it is:
// renaming over it would remove the node (as root, a serial port's).
TEST(AtomicFile, OnlyAFileOrALinkIsReplaced) {
  test::TempDir dir;
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string folder = dir.File("folder");
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  const std::string socket_path = dir.File("sock");
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socket_path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  const std::string link_to_fifo = dir.File("to_fifo");  // as /dev/stdout is to a pipe
  ASSERT_EQ(::symlink(fifo.c_str(), link_to_fifo.c_str()), 0);
  for (const std::string& path : {fifo, folder, socket_path, link_to_fifo}) {
    struct stat before {};
    ASSERT_EQ(::lstat(path.c_str(), &before), 0);
    EXPECT_EQ(ReplaceFileAtomically(path, "x"), AtomicWriteResult::kNotWritten) << path;
    struct stat after {};
    ASSERT_EQ(::lstat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode) << path;
    EXPECT_EQ(after.st_ino, before.st_ino) << path;
  }
  ::close(fd);

  // A link to a file is replaced by the file; what it pointed to is untouched.
  const std::string target = dir.File("target");
  ASSERT_TRUE(WriteFileAtomically(target, "kept"));
  const std::string link = dir.File("link");
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  EXPECT_TRUE(WriteFileAtomically(link, "new"));
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 4);
}

}  // namespace
}  // namespace zt
