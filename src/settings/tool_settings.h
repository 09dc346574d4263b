// The tool's connection settings: which port, its line settings, the connect
// timeout of the production test and the DTU login password. The persistent
// part is section "SET" of tool_set.ini beside the program.
//
// Thread safety: ToolSettingsStore may be read and written from any thread;
// readers take a copy (Get) and see a new value the next time they look.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace zt {

// Linux device paths do not fit the 9 characters of a Windows port name; a
// longer "COM" value than this is ignored.
inline constexpr std::size_t kMaxPortNameBytes = 255;
inline constexpr std::size_t kMaxPasswordBytes = 6;

struct ToolSettings {
  std::string port_name = "COM1";
  std::uint16_t connect_timeout = 15;  // seconds; the production test's wake-up attempts
  std::uint32_t baud = 57600;
  std::uint8_t data_bits = 8;
  std::uint8_t stop_bits = 1;     // 0 one, 1 one and a half, 2 two
  std::uint8_t parity = 0;        // 0 none, 1 odd, 2 even, 3 mark, 4 space
  std::uint8_t flow_control = 0;  // stored for the AT terminal, never applied
  std::string password = "pilot";
  bool auto_reconnect = false;    // reopen the port when its device comes back ("AUTO_RECONNECT")
  std::string settings_path;      // tool_set.ini beside the program
};

class ToolSettingsStore {
 public:
  ToolSettings Get() const {
    std::lock_guard lock(mutex_);
    return settings_;
  }
  void Set(const ToolSettings& settings) {
    std::lock_guard lock(mutex_);
    settings_ = settings;
  }
  // Runs `change` on the record under the lock.
  template <typename F>
  void Update(F&& change) {
    std::lock_guard lock(mutex_);
    change(settings_);
  }

 private:
  mutable std::mutex mutex_;
  ToolSettings settings_;
};

// The store the programs use.
ToolSettingsStore& GlobalToolSettings();

// tool_set.ini in the folder of `program_path` (cut after its last "/").
std::string SettingsPathFor(const std::string& program_path);

// Puts the built-in defaults in place and the settings path beside the
// running program (or the given one).
void ResetToolSettings(ToolSettingsStore& store);
void ResetToolSettings(ToolSettingsStore& store, const std::string& settings_path);

// Fills the record from section "SET" of its settings path ("AUTO_RECONNECT"
// is 1 for on; anything else, or no key, is off). A missing file or
// key, or an unusable value, leaves the value in force.
void ReadToolSettings(ToolSettingsStore& store);

// Adding 0x80 to every byte (modulo 256) both scrambles and unscrambles.
std::string ScramblePassword(std::string_view password);

// The connection dialog's accept: writes "COM", "CONN_TIMEVAL", "LOGIN_PWD"
// (scrambled) and "BAUD", in that order, one key at a time, to section "SET".
// Failures of the writes are not reported, as the dialog does not report them.
void WriteConnectionSettings(const std::string& settings_path, std::string_view port_name,
                             unsigned connect_timeout, std::string_view password, std::uint32_t baud);

// Writes "AUTO_RECONNECT" (1 or 0) to section "SET".
void WriteAutoReconnect(const std::string& settings_path, bool on);

}  // namespace zt
