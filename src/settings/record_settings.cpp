#include "settings/record_settings.h"

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

RecordSettings ReadRecordSettings(const std::string& settings_path) {
  const ProfileFile file = ProfileFile::Load(settings_path);
  const auto text = [&](std::string_view key) { return GbkToUtf8(file.Get(kRecordsSection, key).value_or("")); };
  RecordSettings s;
  s.station = text("STATION");
  if (s.station.empty()) s.station = HostName();
  s.operator_name = text("OPERATOR");
  s.required = text("RECORDS_REQUIRED") == "1";
  s.url = text("RECORDS_URL");
  s.file = text("RECORDS_FILE");
  return s;
}

}  // namespace zt
