#include "terminal/quick_send_file.h"

#include <unistd.h>

#include "text/numbers.h"
#include "text/profile_file.h"

namespace zt {
namespace {

// The rows' texts are read into a 1024-byte buffer.
constexpr std::size_t kContentBuffer = 1024;
constexpr std::string_view kIntervalSection = "option10";

std::string Section(int row) { return "option" + std::to_string(row + 1); }

}  // namespace

void LoadQuickSend(const std::string& path, QuickSendContents& contents) {
  if (::access(path.c_str(), R_OK) != 0) return;
  const ProfileFile file = ProfileFile::Load(path);
  for (int row = 0; row < kQuickSendRows; ++row) {
    const std::string section = Section(row);
    QuickSendRow& r = contents.rows[static_cast<std::size_t>(row)];
    const std::optional<std::string> checked = file.Get(section, "checked");
    r.hex = checked && !checked->empty() && Atoi(*checked) == 1;
    std::string text = file.Get(section, "content").value_or(std::string());
    if (text.size() > kContentBuffer - 1) text.resize(kContentBuffer - 1);
    r.text = std::move(text);
  }
  std::string interval = file.Get(kIntervalSection, "interval").value_or(std::string());
  if (interval.size() > kProfileDefaultBuffer - 1) interval.resize(kProfileDefaultBuffer - 1);
  if (!interval.empty()) contents.interval = std::move(interval);
}

bool SaveQuickSend(const std::string& path, const QuickSendContents& contents) {
  ProfileFile file;
  for (int row = 0; row < kQuickSendRows; ++row) {
    const std::string section = Section(row);
    const QuickSendRow& r = contents.rows[static_cast<std::size_t>(row)];
    file.Set(section, "checked", r.hex ? "1" : "0");
    file.Set(section, "content", r.text);
  }
  file.Set(kIntervalSection, "interval", contents.interval);
  return file.Save(path);
}

}  // namespace zt
