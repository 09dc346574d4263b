#include "dtusim/interpreter.h"

#include <algorithm>
#include <cstdio>

namespace zt::dtusim {
namespace {

// Commands as the DTU reads them (the line end already removed).
constexpr std::string_view kLogin = "AT+LOGIN=";
constexpr std::string_view kQueryAll = "AT+GETPARAM?";
constexpr std::string_view kGetParam = "AT+GETPARAM=";
constexpr std::string_view kSetParam = "AT+SETPARAM=";
constexpr std::string_view kSetImei = "AT+SETIMEI=";
constexpr std::string_view kSetChannel = "AT+SETCHL=";
constexpr std::string_view kSave = "AT+SAVEPARAM";
constexpr std::string_view kDefaults = "AT+USEDEFAULT";
constexpr std::string_view kDefaultsMode = "AT+USEDEFAULT=";
constexpr std::string_view kReset = "AT+RESET";
constexpr std::string_view kSignal = "AT+CSQ";
constexpr std::string_view kPlusEscape = "+++";

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool AllBlanks(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c == ' '; });
}

bool IsWakeText(std::string_view s) { return AllBlanks(s) || s == kPlusEscape; }

// The keyword of "AT+GETPARAM=<KEY>" or "AT+SETPARAM=<KEY>,<value>"; empty otherwise.
std::string_view KeywordOf(std::string_view cmd) {
  if (StartsWith(cmd, kGetParam)) return cmd.substr(kGetParam.size());
  if (StartsWith(cmd, kSetParam)) {
    std::string_view rest = cmd.substr(kSetParam.size());
    return rest.substr(0, rest.find(','));
  }
  return {};
}

// "1" to "999" exactly; -1 otherwise.
int ChannelNumber(std::string_view text) {
  if (text.empty() || text.size() > 3) return -1;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

Interpreter::Interpreter(DeviceState& state, Faults faults, Millis boot_delay)
    : state_(state), faults_(std::move(faults)), boot_delay_(boot_delay) {
  silenced_ = faults_.mute;
  if (!faults_.report_mode.empty() && state_.profile().generation == Generation::kS3) {
    state_.ForceMode(faults_.report_mode);
  }
}

std::vector<Emission> Interpreter::Receive(std::string_view bytes, Millis now) {
  std::vector<Emission> out;
  last_rx_ = now;
  for (size_t i = 0; i < bytes.size(); ++i) {
    // A silenced unit ignores everything; a booting one loses its input.
    if (silenced_ || now < booting_until_) break;
    const char c = bytes[i];
    if (mode_ == LineMode::kCommand && cr_seen_) {
      if (c == '\n') {
        line_ += c;
        RunLine(now, &out);
        continue;
      }
      RunLine(now, &out);
      if (silenced_ || now < booting_until_) break;
    }
    if (mode_ == LineMode::kData) {
      FeedData(c);
    } else if (FeedCommand(c)) {
      RunLine(now, &out);
    }
  }
  return out;
}

std::vector<Emission> Interpreter::Advance(Millis now) {
  std::vector<Emission> out;
  std::optional<Millis> due = NextDeadline();
  if (!due || now < *due) return out;
  if (mode_ == LineMode::kCommand && cr_seen_) {
    RunLine(now, &out);
  } else {
    WakeUp(now, &out);
  }
  return out;
}

std::optional<Millis> Interpreter::NextDeadline() const {
  if (silenced_) return std::nullopt;
  const bool waiting = mode_ == LineMode::kCommand ? (cr_seen_ || IsWakeText(line_)) : IsWakeText(wake_);
  if (!waiting) return std::nullopt;
  return last_rx_ + kQuietGap;
}

void Interpreter::FeedData(char c) {
  // Data mode forwards everything else; only a trailing run of blanks or
  // exactly three pluses can wake the unit, once the line goes quiet. A line
  // end after them (a terminal's Enter) does not spoil them.
  if (c == '\r' || c == '\n') return;
  if (c == ' ') {
    if (!AllBlanks(wake_)) wake_.clear();
    if (wake_.size() < kMaxLine) wake_ += c;
  } else if (c == '+') {
    const bool pluses = !wake_.empty() && wake_.size() < kPlusEscape.size() &&
                        std::all_of(wake_.begin(), wake_.end(), [](char p) { return p == '+'; });
    if (!pluses) wake_.clear();
    wake_ += c;
  } else {
    wake_.clear();
  }
}

bool Interpreter::FeedCommand(char c) {
  if (c == '\n') {
    if (line_.empty()) return false;  // the LF of a line already answered
    // An LF without a CR before it (some terminal programs send one for
    // Enter) ends the line too.
    line_ += c;
    return true;
  }
  if (c == '\r') {
    line_ += c;
    cr_seen_ = true;
    return false;
  }
  if (line_.size() < kMaxLine) line_ += c;
  return false;
}

bool Interpreter::BeginExchange() {
  if (faults_.mute_after && exchanges_ >= *faults_.mute_after) silenced_ = true;
  if (silenced_) return false;
  ++exchanges_;
  return true;
}

void Interpreter::WakeUp(Millis now, std::vector<Emission>* out) {
  line_.clear();
  wake_.clear();
  if (!BeginExchange()) return;
  mode_ = LineMode::kCommand;
  logged_in_ = false;
  out->push_back({now + faults_.reply_delay, Line("RUN AT") + Line("OK")});
}

void Interpreter::RunLine(Millis now, std::vector<Emission>* out) {
  std::string echo = std::move(line_);
  line_.clear();
  cr_seen_ = false;
  std::string_view cmd = echo;
  if (!cmd.empty() && cmd.back() == '\n') cmd.remove_suffix(1);
  if (!cmd.empty() && cmd.back() == '\r') cmd.remove_suffix(1);
  const Millis at = now + faults_.reply_delay;
  if (cmd.empty()) {
    // A bare line end is echoed and otherwise ignored.
    if (!silenced_) out->push_back({at, echo});
    return;
  }
  if (IsWakeText(cmd)) {
    // Blanks or "+++" typed with an Enter wake the unit as they do alone.
    WakeUp(now, out);
    return;
  }
  if (!BeginExchange()) return;
  Answer answer = AnswerCommand(cmd);
  out->push_back({at, echo + answer.text});
  if (answer.restart) ScheduleBoot(at, out);
}

Interpreter::Answer Interpreter::AnswerCommand(std::string_view cmd) {
  const std::string ok = Line("OK");
  const std::string error = Line("ERROR");
  const bool s3 = state_.profile().generation == Generation::kS3;
  if (ErrorForced(cmd)) return {error};
  if (StartsWith(cmd, kLogin)) {
    logged_in_ = cmd.substr(kLogin.size()) == state_.profile().password;
    return {logged_in_ ? ok : error};
  }
  // A unit that is not logged in refuses everything else.
  if (!logged_in_) return {error};

  if (cmd == kQueryAll) return {Listing() + ok};
  if (StartsWith(cmd, kGetParam)) {
    std::string_view key = cmd.substr(kGetParam.size());
    std::optional<std::string> value = Reported(key);
    if (key.empty() || !value) return {error};
    return {Line(std::string(key) + "=" + *value) + ok};
  }
  if (StartsWith(cmd, kSetParam)) {
    std::string_view rest = cmd.substr(kSetParam.size());
    size_t comma = rest.find(',');
    if (comma == std::string_view::npos || comma == 0) return {error};
    std::string_view key = rest.substr(0, comma);
    // A unit stuck in one mode takes a new mode without changing.
    if (s3 && key == kModeKey && !faults_.report_mode.empty()) return {ok};
    const bool forced =
        FindOverride(0, key) != nullptr || FindOverride(state_.selected_channel(), key) != nullptr;
    return {state_.Set(key, rest.substr(comma + 1)) || forced ? ok : error};
  }
  if (StartsWith(cmd, kSetImei)) {
    std::string_view imei = cmd.substr(kSetImei.size());
    if (s3 || imei.empty()) return {error};
    state_.SetImei(imei);
    return {ok};
  }
  if (StartsWith(cmd, kSetChannel)) {
    const int channel = ChannelNumber(cmd.substr(kSetChannel.size()));
    return {channel >= 0 && state_.SelectChannel(channel) ? ok : error};
  }
  if (cmd == kSave) {
    std::string why;
    if (state_.Save(&why)) return {ok};
    std::fprintf(stderr, "dtusim: %s\n", why.c_str());
    return {error};
  }
  if (cmd == kDefaults || StartsWith(cmd, kDefaultsMode)) {
    std::string mode;
    if (cmd != kDefaults) {
      // Only an S3 unit has channel modes to choose from.
      mode = cmd.substr(kDefaultsMode.size());
      if (!s3 || !IsModeToken(mode)) return {error};
      if (!faults_.report_mode.empty()) mode = faults_.report_mode;
    }
    std::string why;
    if (state_.RestoreFactory(mode, &why)) return {ok};
    std::fprintf(stderr, "dtusim: %s\n", why.c_str());
    return {error};
  }
  if (cmd == kReset) return {ok, true};
  if (cmd == kSignal) {
    return {Line("+CSQ: " + std::to_string(state_.profile().csq) + ",99") + ok};
  }
  return {error};
}

void Interpreter::ScheduleBoot(Millis ok_at, std::vector<Emission>* out) {
  // The unit reboots into data mode, logged out, with its permanent values.
  mode_ = LineMode::kData;
  logged_in_ = false;
  line_.clear();
  wake_.clear();
  cr_seen_ = false;
  state_.Restart();
  booting_until_ = ok_at + boot_delay_;
  // A USB unit drops off the bus as it resets and comes back as a new device.
  if (faults_.reenumerate_on_reset) out->push_back({ok_at, std::string(), true});
  const DeviceProfile& p = state_.profile();
  std::string banner = Line("") + Line("IMEI Number: " + state_.saved().imei) +
                       Line("Manufacturer: " + p.manufacturer) + Line("Product Name: " + p.product_name) +
                       Line("Revision: " + p.revision);
  out->push_back({booting_until_, std::move(banner)});
  if (!p.ready.empty()) out->push_back({booting_until_ + kReadyGap, Line(p.ready)});
}

std::string Interpreter::Listing() const {
  std::string out;
  const ParamSet& values = state_.pending();
  for (const auto& [key, value] : values.base.entries()) {
    const ValueOverride* forced = FindOverride(0, key);
    std::string shown = forced != nullptr    ? forced->value
                        : IsIdentityKey(key) ? Formatted(key, state_.Get(key).value_or(""))
                                             : Formatted(key, value);
    out += Line(key + "=" + shown);
  }
  for (const ValueOverride& o : faults_.values) {
    if (o.channel == 0 && !values.base.Has(o.key)) out += Line(o.key + "=" + o.value);
  }
  if (const ChannelBlocks* blocks = values.CurrentChannels()) {
    for (const auto& [channel, block] : *blocks) {
      out += Line("ID=" + std::to_string(channel));
      for (const auto& [key, value] : block.entries()) {
        const ValueOverride* forced = FindOverride(channel, key);
        out += Line(key + "=" + (forced != nullptr ? forced->value : Formatted(key, value)));
      }
      for (const ValueOverride& o : faults_.values) {
        if (o.channel == channel && !block.Has(o.key)) out += Line(o.key + "=" + o.value);
      }
    }
  }
  if (faults_.huge_reply) {
    const std::string filler(100, 'x');
    for (int i = 0; out.size() < kHugeReplyBytes; ++i) {
      char key[16];
      std::snprintf(key, sizeof key, "PAD%05d=", i);
      out += Line(key + filler);
    }
  }
  return out;
}

std::optional<std::string> Interpreter::Reported(std::string_view key) const {
  const int channel = state_.selected_channel();
  const ChannelBlocks* blocks = state_.pending().CurrentChannels();
  bool in_channel = false;
  if (blocks != nullptr) {
    auto it = blocks->find(channel);
    in_channel = it != blocks->end() && it->second.Has(key);
  }
  if (channel > 0 && (in_channel || !state_.pending().base.Has(key))) {
    if (const ValueOverride* o = FindOverride(channel, key)) return o->value;
  }
  if (!in_channel) {
    if (const ValueOverride* o = FindOverride(0, key)) return o->value;
  }
  std::optional<std::string> value = state_.Get(key);
  if (!value) return std::nullopt;
  return Formatted(key, *value);
}

std::string Interpreter::Formatted(std::string_view key, std::string_view value) const {
  // An empty value travels as NULL; some hexadecimal values carry "0x".
  if (value.empty()) return "NULL";
  if (state_.profile().hex_prefix.count(key) != 0) return "0x" + std::string(value);
  return std::string(value);
}

const ValueOverride* Interpreter::FindOverride(int channel, std::string_view key) const {
  for (const ValueOverride& o : faults_.values) {
    if (o.channel == channel && o.key == key) return &o;
  }
  return nullptr;
}

bool Interpreter::ErrorForced(std::string_view cmd) const {
  const std::string_view keyword = KeywordOf(cmd);
  for (const std::string& t : faults_.error_on) {
    if (t.empty()) continue;
    if (StartsWith(cmd, t) || keyword == t) return true;
  }
  return false;
}

std::string Interpreter::Line(std::string_view text) const {
  return std::string(text) + (faults_.lf_only ? "\n" : "\r\n");
}

}  // namespace zt::dtusim
