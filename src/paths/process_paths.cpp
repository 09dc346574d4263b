#include "paths/process_paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "common/program_path.h"
#include "params/catalogue_source.h"
#include "text/atomic_file.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"

namespace zt {
namespace {

using namespace zt::literals;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

// $HOME, else the home folder of the account the process runs as.
std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    home = found->pw_dir;
  }
  return home;
}

bool Exists(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return path.empty() || path.back() != '/' || S_ISDIR(st.st_mode);
}

}  // namespace

PathInputs PathInputsFor(const std::string& program_dir, const std::optional<std::string>& settings_file,
                         const std::optional<std::string>& catalogue_dir) {
  PathInputs in;
  in.program_dir = program_dir;
  in.program_dir_writable = ::access(program_dir.c_str(), W_OK) == 0;
  in.home = HomeFolder();
  in.xdg_config_home = Environment("XDG_CONFIG_HOME");
  in.xdg_data_home = Environment("XDG_DATA_HOME");
  in.settings_file = settings_file;
  in.catalogue_dir = catalogue_dir;
  in.exists = Exists;
  return in;
}

FileLocations LocateProcessFiles(const std::optional<std::string>& settings_file,
                                 const std::optional<std::string>& catalogue_dir) {
  return LocateFiles(PathInputsFor(ProgramDirectory(), settings_file, catalogue_dir));
}

std::string ApplyFileLocations(const FileLocations& files) {
  SetPrivateFolder(files.user_folder);
  SetShippedCatalogueFolder(files.catalogue_folder, files.shipped_folder);
  if (files.layout != FileLayout::kInstalled) return {};
  return SettingsExposureWarning(files.settings.path);
}

std::string SettingsExposureWarning(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  if ((st.st_mode & (S_IRGRP | S_IROTH)) == 0) return {};
  return Format("警告: 其他用户可以读取%s(其中保存着登录密码), 可用 chmod 600 改为只有自己可读"_gbk, path);
}

}  // namespace zt
