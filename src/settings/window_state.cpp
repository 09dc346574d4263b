#include "settings/window_state.h"

#include <algorithm>
#include <charconv>

#include "text/profile_file.h"

namespace zt {
namespace {

constexpr std::string_view kX = "X";
constexpr std::string_view kY = "Y";
constexpr std::string_view kWidth = "WIDTH";
constexpr std::string_view kHeight = "HEIGHT";
constexpr std::string_view kRunLogHeight = "RUN_LOG_HEIGHT";
constexpr std::string_view kPage = "PAGE";
constexpr std::string_view kVerdictSound = "VERDICT_SOUND";

// The strip at the top of the window that must lie on a screen, and how much
// of its width, for the operator to grab the title bar.
constexpr int kGrabStripHeight = 24;
constexpr int kGrabWidth = 100;

// A whole decimal number and nothing else.
std::optional<int> WholeNumber(const std::optional<std::string>& text) {
  if (!text || text->empty()) return std::nullopt;
  int value = 0;
  const char* end = text->data() + text->size();
  const auto [stop, error] = std::from_chars(text->data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<int> Positive(std::optional<int> value) {
  if (value && *value > 0) return value;
  return std::nullopt;
}

ScreenRect Intersection(const ScreenRect& a, const ScreenRect& b) {
  const long long left = std::max<long long>(a.x, b.x);
  const long long top = std::max<long long>(a.y, b.y);
  const long long right =
      std::min<long long>(static_cast<long long>(a.x) + a.width, static_cast<long long>(b.x) + b.width);
  const long long bottom =
      std::min<long long>(static_cast<long long>(a.y) + a.height, static_cast<long long>(b.y) + b.height);
  if (right <= left || bottom <= top) return {};
  return ScreenRect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                    static_cast<int>(bottom - top)};
}

}  // namespace

WindowState ReadWindowState(const std::string& settings_path) {
  const ProfileFile file = ProfileFile::Load(settings_path);
  auto number = [&](std::string_view key) { return WholeNumber(file.Get(kWindowSection, key)); };
  WindowState state;
  const std::optional<int> x = number(kX);
  const std::optional<int> y = number(kY);
  const std::optional<int> width = Positive(number(kWidth));
  const std::optional<int> height = Positive(number(kHeight));
  if (x && y && width && height) state.geometry = ScreenRect{*x, *y, *width, *height};
  state.run_log_height = Positive(number(kRunLogHeight));
  state.page = number(kPage);
  return state;
}

bool WriteWindowState(const std::string& settings_path, const WindowState& state) {
  std::optional<ProfileFile> file = ProfileFile::LoadForUpdate(settings_path);
  if (!file) return false;
  auto put = [&](std::string_view key, int value) { file->Set(kWindowSection, key, std::to_string(value)); };
  if (state.geometry) {
    put(kX, state.geometry->x);
    put(kY, state.geometry->y);
    put(kWidth, state.geometry->width);
    put(kHeight, state.geometry->height);
  }
  if (state.run_log_height) put(kRunLogHeight, *state.run_log_height);
  if (state.page) put(kPage, *state.page);
  return file->Save(settings_path);
}

bool ReadVerdictSound(const std::string& settings_path) {
  return WholeNumber(ProfileFile::Load(settings_path).Get(kWindowSection, kVerdictSound)) != 0;
}

bool WriteVerdictSound(const std::string& settings_path, bool on) {
  return ProfileWriteString(settings_path, kWindowSection, kVerdictSound, on ? "1" : "0");
}

ScreenRect PlaceOnScreens(const ScreenRect& saved, const std::vector<ScreenRect>& screens,
                          const ScreenRect& primary) {
  const ScreenRect strip{saved.x, saved.y, saved.width, kGrabStripHeight};
  for (const ScreenRect& screen : screens) {
    const ScreenRect seen = Intersection(strip, screen);
    if (seen.height == kGrabStripHeight && seen.width >= std::min(kGrabWidth, saved.width)) return saved;
  }
  ScreenRect placed = saved;
  placed.width = std::min(saved.width, primary.width);
  placed.height = std::min(saved.height, primary.height);
  placed.x = primary.x + (primary.width - placed.width) / 2;
  placed.y = primary.y + (primary.height - placed.height) / 2;
  return placed;
}

}  // namespace zt
