#include "common/program_path.h"

#include <unistd.h>

#include <climits>

namespace zt {

std::string ProgramPath() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<std::size_t>(n));
}

std::string DirectoryPart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ProgramDirectory() {
  const std::string dir = DirectoryPart(ProgramPath());
  return dir.empty() ? "./" : dir;
}

}  // namespace zt
