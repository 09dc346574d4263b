// The values a simulated DTU holds: the permanent ones (kept in the state
// file when one is given) and the pending ones that AT+SETPARAM changes and
// AT+SAVEPARAM makes permanent. A restart drops what was set but not saved.
//
// Not thread-safe: one serving thread owns it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dtusim/param_set.h"
#include "dtusim/profile.h"

namespace zt::dtusim {

class DeviceState {
 public:
  // `state_path` empty: the values live in memory only.
  DeviceState(const DeviceProfile& profile, std::string state_path);

  // Takes the permanent values from the state file when it exists. False with
  // a message when it exists but cannot be read or understood.
  bool Load(std::string* error);

  const DeviceProfile& profile() const { return profile_; }
  const ParamSet& pending() const { return pending_; }
  const ParamSet& saved() const { return saved_; }
  // Channel that per-channel keywords address; 0 when the mode has none.
  int selected_channel() const { return selected_channel_; }

  // The value of a keyword as AT+GETPARAM=<KEY> reports it: identity
  // keywords, then the selected channel's block, then the base lines.
  std::optional<std::string> Get(std::string_view key) const;
  // AT+SETPARAM=<KEY>,<value> on the pending values; false when the unit has
  // no such settable keyword (or OPPRM is given an unknown mode).
  bool Set(std::string_view key, std::string_view value);
  // AT+SETIMEI=<imei> (S2 units).
  void SetImei(std::string_view imei) { pending_.imei = imei; }
  // AT+SETCHL=<n>: false when the current mode has no channel n.
  bool SelectChannel(int channel);
  // AT+SAVEPARAM: pending values become permanent; false when the state file
  // cannot be written (the values stay permanent in memory).
  bool Save(std::string* error);
  // AT+USEDEFAULT[=<MODE>]: factory values, permanent at once; `mode` empty
  // keeps the current mode. Identity is kept.
  bool RestoreFactory(std::string_view mode, std::string* error);
  // AT+RESET: the pending values fall back to the permanent ones.
  void Restart();
  // Puts the unit in `mode` without touching its values (a unit that runs in
  // another mode than the one it was asked for).
  void ForceMode(std::string_view mode);

 private:
  void AfterModeChange();
  bool WriteStateFile(std::string* error) const;

  DeviceProfile profile_;
  std::string state_path_;
  ParamSet saved_;
  ParamSet pending_;
  int selected_channel_ = 0;
};

// The saved-state file: the permanent values in the profile's line format
// ([device] mode/product_number/imei, [base], [channel MODE N]).
std::string FormatSavedState(const ParamSet& values);
// Applies a saved-state text over `values`; keywords and channels the unit
// does not have are ignored. False with a message when the text is malformed.
bool ApplySavedState(std::string_view text, ParamSet* values, std::string* error);

}  // namespace zt::dtusim
