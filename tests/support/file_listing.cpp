#include "support/file_listing.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace zt::test {

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> out;
  for (const std::filesystem::directory_entry& e : std::filesystem::recursive_directory_iterator(folder)) {
    struct stat st {};
    ::lstat(e.path().c_str(), &st);
    out.push_back(e.path().string() + " " + std::to_string(st.st_size) + " " +
                  std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec));
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace zt::test
