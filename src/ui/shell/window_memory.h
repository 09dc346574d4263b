// The window's memory on real screens: what settings/window_state.h keeps,
// read from and applied to the main window and its run-log bar.
//
// UI thread only.
#pragma once

#include <vector>

#include "settings/window_state.h"

class QDockWidget;
class QMainWindow;

namespace zt::ui {

// The usable areas of the screens now, and of the primary one.
std::vector<ScreenRect> AvailableScreens();
ScreenRect PrimaryScreenArea();

// Puts the window where it was, or onto the primary screen when that place
// lies off every screen (PlaceOnScreens). Nothing without a remembered place.
void RestoreWindowPlace(QMainWindow& window, const WindowState& state);
// Gives the run-log bar its remembered height (the separator between the
// page and the run log).
void RestoreRunLogHeight(QMainWindow& window, QDockWidget& run_log, const WindowState& state);

// The window's place, the run log's height and `page`, to be written.
WindowState CaptureWindowState(const QMainWindow& window, const QDockWidget& run_log, int page);

}  // namespace zt::ui
