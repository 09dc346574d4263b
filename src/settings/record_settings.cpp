#include "settings/record_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "text/gbk.h"
#include "text/profile_file.h"

namespace zt {

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

bool UrlHoldsPassword(std::string_view url) {
  const std::size_t scheme = url.find("://");
  if (scheme == std::string_view::npos) return false;
  const std::string_view rest = url.substr(scheme + 3);
  const std::string_view authority = rest.substr(0, rest.find_first_of("/?"));
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos && authority.substr(0, at).find(':') != std::string_view::npos) return true;
  const std::size_t query = rest.find('?');
  if (query == std::string_view::npos) return false;
  const std::string_view params = rest.substr(query);
  return params.find("?password=") != std::string_view::npos || params.find("&password=") != std::string_view::npos;
}

namespace {

void KeepPrivate(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0) {
    [[maybe_unused]] const int changed = ::fchmod(fd, st.st_mode & 0700);
  }
  ::close(fd);
}

}  // namespace

RecordSettings ReadRecordSettings(const std::string& settings_path) {
  const ProfileFile file = ProfileFile::Load(settings_path);
  const auto text = [&](std::string_view key) { return GbkToUtf8(file.Get(kRecordsSection, key).value_or("")); };
  RecordSettings s;
  s.station = text("STATION");
  if (s.station.empty()) s.station = HostName();
  s.operator_name = text("OPERATOR");
  s.required = text("RECORDS_REQUIRED") == "1";
  s.url = text("RECORDS_URL");
  if (UrlHoldsPassword(s.url)) KeepPrivate(settings_path);
  s.file = text("RECORDS_FILE");
  return s;
}

}  // namespace zt
