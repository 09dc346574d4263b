#include "dtusim/profile.h"

#include <charconv>

#include "dtusim/section_text.h"

namespace zt::dtusim {
namespace {

std::string At(int line) { return "line " + std::to_string(line) + ": "; }

bool ParseInt(std::string_view text, int lo, int hi, int* out) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  int v = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || ptr != text.data() + text.size() || v < lo || v > hi) return false;
  *out = v;
  return true;
}

// "channel MODE N" (after an optional "factory"): the mode and the channel.
bool ParseChannelHeader(const std::vector<std::string>& words, size_t first, std::string* mode,
                        int* channel) {
  if (words.size() != first + 3 || words[first] != "channel") return false;
  if (!IsModeToken(words[first + 1])) return false;
  *mode = words[first + 1];
  return ParseInt(words[first + 2], 0, 99, channel);
}

bool ReadDeviceSection(const Section& s, DeviceProfile* p, std::string* error) {
  bool has_generation = false;
  for (const SectionEntry& e : s.entries) {
    const std::string& k = e.key;
    if (k == "generation") {
      if (e.value == "S3") {
        p->generation = Generation::kS3;
      } else if (e.value == "S2") {
        p->generation = Generation::kS2;
      } else {
        *error = At(e.line) + "generation is S2 or S3";
        return false;
      }
      has_generation = true;
    } else if (k == "version") {
      p->version = e.value;
    } else if (k == "password") {
      p->password = e.value;
    } else if (k == "product_number") {
      p->initial.product_number = e.value;
    } else if (k == "imei") {
      p->initial.imei = e.value;
    } else if (k == "mode") {
      p->initial.mode = e.value;
    } else if (k == "manufacturer") {
      p->manufacturer = e.value;
    } else if (k == "product_name") {
      p->product_name = e.value;
    } else if (k == "revision") {
      p->revision = e.value;
    } else if (k == "ready") {
      p->ready = e.value;
    } else if (k == "csq") {
      if (!ParseInt(e.value, 0, 999, &p->csq)) {
        *error = At(e.line) + "csq is a number from 0 to 999";
        return false;
      }
    } else if (k == "hex_prefix") {
      std::string_view rest = e.value;
      while (!rest.empty()) {
        size_t comma = rest.find(',');
        std::string_view word = rest.substr(0, comma);
        if (!word.empty()) p->hex_prefix.emplace(word);
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
      }
    } else {
      *error = At(e.line) + "unknown device key '" + k + "'";
      return false;
    }
  }
  if (!has_generation) {
    *error = At(s.line) + "[device] needs generation=S2 or S3";
    return false;
  }
  return true;
}

void FillBlock(const Section& s, ParamBlock* block) {
  for (const SectionEntry& e : s.entries) block->Put(e.key, e.value);
}

// Factory lines may only give other values to keywords the unit has.
bool OverlayBlock(const Section& s, ParamBlock* block, std::string* error) {
  for (const SectionEntry& e : s.entries) {
    if (!block->Set(e.key, e.value)) {
      *error = At(e.line) + "factory value for '" + e.key + "', which the unit does not have";
      return false;
    }
  }
  return true;
}

}  // namespace

bool IsIdentityKey(std::string_view key) {
  return key == kVersionKey || key == kProductNumberKey || key == kImeiKey;
}

bool ParseDeviceProfile(std::string_view text, DeviceProfile* out, std::string* error) {
  std::vector<Section> sections;
  if (!ParseSections(text, &sections, error)) return false;
  DeviceProfile p;
  bool has_device = false;
  // First pass: everything but the factory overlays, which need the rest.
  for (const Section& s : sections) {
    const auto& w = s.words;
    std::string mode;
    int channel = 0;
    if (w.size() == 1 && w[0] == "device") {
      if (!ReadDeviceSection(s, &p, error)) return false;
      has_device = true;
    } else if (w.size() == 1 && w[0] == "base") {
      FillBlock(s, &p.initial.base);
    } else if (ParseChannelHeader(w, 0, &mode, &channel)) {
      FillBlock(s, &p.initial.channels[mode][channel]);
    } else if (w[0] == "factory") {
      if (!(w.size() == 2 && w[1] == "base") && !ParseChannelHeader(w, 1, &mode, &channel)) {
        *error = At(s.line) + "expected [factory base] or [factory channel MODE N]";
        return false;
      }
    } else {
      *error = At(s.line) + "unknown section";
      return false;
    }
  }
  if (!has_device) {
    *error = "no [device] section";
    return false;
  }
  if (p.version.empty()) {
    *error = "[device] needs version (the SPSV value)";
    return false;
  }
  if (p.generation == Generation::kS3) {
    if (!IsModeToken(p.initial.mode)) {
      *error = "[device] of an S3 unit needs mode=SIN, BAK, MUL or MULB";
      return false;
    }
  } else if (!p.initial.mode.empty() || !p.initial.channels.empty()) {
    *error = "an S2 unit has no channel mode and no channel blocks";
    return false;
  }

  p.factory = p.initial;
  for (const Section& s : sections) {
    const auto& w = s.words;
    if (w[0] != "factory") continue;
    if (w[1] == "base") {
      if (!OverlayBlock(s, &p.factory.base, error)) return false;
      continue;
    }
    std::string mode;
    int channel = 0;
    ParseChannelHeader(w, 1, &mode, &channel);
    auto m = p.factory.channels.find(mode);
    if (m == p.factory.channels.end() || m->second.count(channel) == 0) {
      *error = At(s.line) + "factory block for a channel the unit does not have";
      return false;
    }
    if (!OverlayBlock(s, &m->second[channel], error)) return false;
  }
  *out = std::move(p);
  return true;
}

bool LoadDeviceProfile(const std::string& path, DeviceProfile* out, std::string* error) {
  std::string text;
  if (!ReadWholeFile(path, &text)) {
    *error = "cannot read " + path;
    return false;
  }
  if (!ParseDeviceProfile(text, out, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace zt::dtusim
