#include "params/catalogue_source.h"

#include <sys/stat.h>

#include <cerrno>
#include <mutex>

#include "params/catalogue_loader.h"

namespace zt {
namespace {

std::mutex g_mutex;
std::string g_folder;  // both with a trailing "/"
std::string g_shipped;

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

void SetShippedCatalogueFolder(const std::string& folder, const std::string& shipped) {
  std::lock_guard lock(g_mutex);
  g_folder = WithSlash(folder);
  g_shipped = shipped.empty() ? std::string() : WithSlash(shipped);
}

std::string CatalogueReadPath(const std::string& folder, FileVariant variant) {
  const std::string own = CataloguePath(folder, variant);
  std::string shipped;
  {
    std::lock_guard lock(g_mutex);
    if (g_shipped.empty() || WithSlash(folder) != g_folder) return own;
    shipped = g_shipped;
  }
  struct stat st {};
  if (::stat(own.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR)) return own;
  return CataloguePath(shipped, variant);
}

}  // namespace zt
