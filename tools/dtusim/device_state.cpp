#include "dtusim/device_state.h"

#include <unistd.h>

#include <charconv>

#include "dtusim/section_text.h"

namespace zt::dtusim {
namespace {

// On an S3 unit the OPPRM line always reports the channel mode.
void SyncModeLine(ParamSet* values) {
  if (!values->mode.empty()) values->base.Set(kModeKey, values->mode);
}

int FirstChannel(const ParamSet& values) {
  const ChannelBlocks* blocks = values.CurrentChannels();
  return blocks == nullptr || blocks->empty() ? 0 : blocks->begin()->first;
}

void AppendBlock(const ParamBlock& block, std::string* out) {
  for (const auto& [key, value] : block.entries()) *out += key + "=" + value + "\r\n";
}

}  // namespace

DeviceState::DeviceState(const DeviceProfile& profile, std::string state_path)
    : profile_(profile), state_path_(std::move(state_path)), saved_(profile.initial) {
  SyncModeLine(&saved_);
  pending_ = saved_;
  selected_channel_ = FirstChannel(pending_);
}

bool DeviceState::Load(std::string* error) {
  if (state_path_.empty() || ::access(state_path_.c_str(), F_OK) != 0) return true;
  std::string text;
  if (!ReadWholeFile(state_path_, &text)) {
    *error = "cannot read " + state_path_;
    return false;
  }
  ParamSet values = profile_.initial;
  if (!ApplySavedState(text, &values, error)) {
    *error = state_path_ + ": " + *error;
    return false;
  }
  SyncModeLine(&values);
  saved_ = values;
  pending_ = values;
  selected_channel_ = FirstChannel(pending_);
  return true;
}

std::optional<std::string> DeviceState::Get(std::string_view key) const {
  if (key == kVersionKey) return profile_.version;
  if (key == kProductNumberKey) return pending_.product_number;
  if (key == kImeiKey) return pending_.imei;
  if (const ChannelBlocks* blocks = pending_.CurrentChannels()) {
    auto it = blocks->find(selected_channel_);
    if (it != blocks->end()) {
      if (const std::string* v = it->second.Find(key)) return *v;
    }
  }
  if (const std::string* v = pending_.base.Find(key)) return *v;
  return std::nullopt;
}

bool DeviceState::Set(std::string_view key, std::string_view value) {
  const bool s3 = profile_.generation == Generation::kS3;
  if (key == kVersionKey) return false;
  if (key == kProductNumberKey) {
    pending_.product_number = value;
    return true;
  }
  if (key == kImeiKey) {
    // An S2 unit takes its IMEI only through AT+SETIMEI.
    if (!s3) return false;
    pending_.imei = value;
    return true;
  }
  if (s3 && key == kModeKey && pending_.base.Has(kModeKey)) {
    if (!IsModeToken(value) || pending_.channels.count(std::string(value)) == 0) return false;
    pending_.mode = value;
    AfterModeChange();
    return true;
  }
  if (ChannelBlocks* blocks = pending_.CurrentChannels()) {
    auto it = blocks->find(selected_channel_);
    if (it != blocks->end() && it->second.Set(key, value)) return true;
  }
  return pending_.base.Set(key, value);
}

bool DeviceState::SelectChannel(int channel) {
  const ChannelBlocks* blocks = pending_.CurrentChannels();
  if (blocks == nullptr || blocks->count(channel) == 0) return false;
  selected_channel_ = channel;
  return true;
}

bool DeviceState::Save(std::string* error) {
  saved_ = pending_;
  return WriteStateFile(error);
}

bool DeviceState::RestoreFactory(std::string_view mode, std::string* error) {
  ParamSet values = profile_.factory;
  values.mode = mode.empty() ? pending_.mode : std::string(mode);
  values.product_number = saved_.product_number;
  values.imei = saved_.imei;
  pending_ = std::move(values);
  AfterModeChange();
  saved_ = pending_;
  return WriteStateFile(error);
}

void DeviceState::Restart() {
  pending_ = saved_;
  selected_channel_ = FirstChannel(pending_);
}

void DeviceState::ForceMode(std::string_view mode) {
  pending_.mode = mode;
  AfterModeChange();
  saved_.mode = pending_.mode;
  SyncModeLine(&saved_);
}

void DeviceState::AfterModeChange() {
  SyncModeLine(&pending_);
  selected_channel_ = FirstChannel(pending_);
}

bool DeviceState::WriteStateFile(std::string* error) const {
  if (state_path_.empty()) return true;
  if (WriteFileAtomically(state_path_, FormatSavedState(saved_))) return true;
  *error = "cannot write " + state_path_;
  return false;
}

std::string FormatSavedState(const ParamSet& values) {
  std::string out = "# dtusim saved parameters, rewritten by AT+SAVEPARAM and AT+USEDEFAULT\r\n";
  out += "[device]\r\n";
  if (!values.mode.empty()) out += "mode=" + values.mode + "\r\n";
  out += "product_number=" + values.product_number + "\r\n";
  out += "imei=" + values.imei + "\r\n";
  out += "[base]\r\n";
  AppendBlock(values.base, &out);
  for (const auto& [mode, blocks] : values.channels) {
    for (const auto& [channel, block] : blocks) {
      out += "[channel " + mode + " " + std::to_string(channel) + "]\r\n";
      AppendBlock(block, &out);
    }
  }
  return out;
}

bool ApplySavedState(std::string_view text, ParamSet* values, std::string* error) {
  std::vector<Section> sections;
  if (!ParseSections(text, &sections, error)) return false;
  for (const Section& s : sections) {
    const auto& w = s.words;
    if (w.size() == 1 && w[0] == "device") {
      for (const SectionEntry& e : s.entries) {
        if (e.key == "mode" && !values->mode.empty()) values->mode = e.value;
        if (e.key == "product_number") values->product_number = e.value;
        if (e.key == "imei") values->imei = e.value;
      }
    } else if (w.size() == 1 && w[0] == "base") {
      for (const SectionEntry& e : s.entries) values->base.Set(e.key, e.value);
    } else if (w.size() == 3 && w[0] == "channel") {
      int channel = 0;
      auto [ptr, ec] = std::from_chars(w[2].data(), w[2].data() + w[2].size(), channel);
      auto m = values->channels.find(w[1]);
      if (ec != std::errc() || ptr != w[2].data() + w[2].size() || m == values->channels.end()) continue;
      auto c = m->second.find(channel);
      if (c == m->second.end()) continue;
      for (const SectionEntry& e : s.entries) c->second.Set(e.key, e.value);
    } else {
      *error = "line " + std::to_string(s.line) + ": unknown section";
      return false;
    }
  }
  return true;
}

}  // namespace zt::dtusim
