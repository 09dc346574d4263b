// What the main window remembers between starts: its place and size, the
// height of the run log under the page, the page shown last, and whether a
// production-test verdict sounds. Kept in a section of its own, "WINDOW", of
// tool_set.ini; section "SET" and "TEST" are never touched here.
//
//   [WINDOW]
//   X=60  Y=5  WIDTH=920  HEIGHT=690   the window's inner rectangle
//   RUN_LOG_HEIGHT=120                 the run-log bar
//   PAGE=101                           the page's view id
//   VERDICT_SOUND=1                    "声音提示" (1 on, 0 off)
//
// A key that is missing or not a whole number leaves that part as the
// window starts without it. Writes replace the file atomically with one
// save; a failed write is reported and leaves the old file.
//
// Thread safety: plain functions of their arguments and the file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

inline constexpr std::string_view kWindowSection = "WINDOW";

struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  bool operator==(const ScreenRect&) const = default;
};

struct WindowState {
  std::optional<ScreenRect> geometry;  // all four keys, width and height above 0
  std::optional<int> run_log_height;   // above 0
  std::optional<int> page;             // a view id as stored
};

WindowState ReadWindowState(const std::string& settings_path);
// Writes the parts that are present; false when the file could not be
// written (or exists and could not be read).
bool WriteWindowState(const std::string& settings_path, const WindowState& state);

// "声音提示": on unless the file says 0.
bool ReadVerdictSound(const std::string& settings_path);
bool WriteVerdictSound(const std::string& settings_path, bool on);

// Where a window remembered at `saved` opens, given the screens' usable
// areas now. It stays where it was when its top strip (where the title bar
// is grabbed) lies on some screen far enough to be grabbed; otherwise (a
// monitor was removed, the layout changed) it opens centred on `primary`,
// its size cut to that screen.
ScreenRect PlaceOnScreens(const ScreenRect& saved, const std::vector<ScreenRect>& screens,
                          const ScreenRect& primary);

}  // namespace zt
