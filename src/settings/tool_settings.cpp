#include "settings/tool_settings.h"

#include "common/program_path.h"
#include "text/profile_file.h"
#include "text/numbers.h"

namespace zt {
namespace {

constexpr std::string_view kSection = "SET";
constexpr std::string_view kSettingsFile = "tool_set.ini";
constexpr int kDefaultBaud = 57600;

}  // namespace

ToolSettingsStore& GlobalToolSettings() {
  static ToolSettingsStore store;
  return store;
}

std::string SettingsPathFor(const std::string& program_path) {
  return DirectoryPart(program_path) + std::string(kSettingsFile);
}

void ResetToolSettings(ToolSettingsStore& store, const std::string& settings_path) {
  ToolSettings defaults;
  defaults.settings_path = settings_path;
  store.Set(defaults);
}

void ResetToolSettings(ToolSettingsStore& store) {
  ResetToolSettings(store, SettingsPathFor(ProgramPath()));
}

void ReadToolSettings(ToolSettingsStore& store) {
  const std::string path = store.Get().settings_path;
  const ProfileFile file = ProfileFile::Load(path);
  const auto com = file.Get(kSection, "COM");
  const auto baud = file.Get(kSection, "BAUD");
  const auto timeout = file.Get(kSection, "CONN_TIMEVAL");
  const auto password = file.Get(kSection, "LOGIN_PWD");
  const auto reconnect = file.Get(kSection, "AUTO_RECONNECT");
  store.Update([&](ToolSettings& s) {
    if (com && !com->empty() && com->size() <= kMaxPortNameBytes) s.port_name = *com;
    s.baud = static_cast<std::uint32_t>((baud && !baud->empty()) ? Atoi(*baud) : kDefaultBaud);
    if (timeout && !timeout->empty()) s.connect_timeout = static_cast<std::uint16_t>(Atoi(*timeout));
    if (password && !password->empty() && password->size() <= kMaxPasswordBytes) {
      s.password = ScramblePassword(*password);
    }
    s.auto_reconnect = reconnect && Atoi(*reconnect) == 1;
  });
}

std::string ScramblePassword(std::string_view password) {
  std::string out(password);
  for (char& c : out) c = static_cast<char>(static_cast<unsigned char>(c) ^ 0x80u);
  return out;
}

void WriteConnectionSettings(const std::string& settings_path, std::string_view port_name,
                             unsigned connect_timeout, std::string_view password, std::uint32_t baud) {
  ProfileWriteString(settings_path, kSection, "COM", port_name);
  ProfileWriteString(settings_path, kSection, "CONN_TIMEVAL", std::to_string(connect_timeout));
  ProfileWriteString(settings_path, kSection, "LOGIN_PWD", ScramblePassword(password));
  ProfileWriteString(settings_path, kSection, "BAUD", std::to_string(baud));
}

}  // namespace zt

namespace zt {

void WriteAutoReconnect(const std::string& settings_path, bool on) {
  ProfileWriteString(settings_path, kSection, "AUTO_RECONNECT", on ? "1" : "0");
}

}  // namespace zt
