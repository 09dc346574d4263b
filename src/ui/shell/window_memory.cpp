#include "ui/shell/window_memory.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

namespace zt::ui {
namespace {

ScreenRect FromQt(const QRect& r) { return ScreenRect{r.x(), r.y(), r.width(), r.height()}; }

}  // namespace

std::vector<ScreenRect> AvailableScreens() {
  std::vector<ScreenRect> screens;
  for (const QScreen* screen : QGuiApplication::screens())
    screens.push_back(FromQt(screen->availableGeometry()));
  return screens;
}

ScreenRect PrimaryScreenArea() {
  const QScreen* primary = QGuiApplication::primaryScreen();
  return primary != nullptr ? FromQt(primary->availableGeometry()) : ScreenRect{};
}

void RestoreWindowPlace(QMainWindow& window, const WindowState& state) {
  if (!state.geometry) return;
  const ScreenRect primary = PrimaryScreenArea();
  // Without any screen there is nothing to place it on.
  const ScreenRect placed =
      primary.width > 0 ? PlaceOnScreens(*state.geometry, AvailableScreens(), primary) : *state.geometry;
  window.setGeometry(placed.x, placed.y, placed.width, placed.height);
}

void RestoreRunLogHeight(QMainWindow& window, QDockWidget& run_log, const WindowState& state) {
  if (!state.run_log_height) return;
  window.resizeDocks({&run_log}, {*state.run_log_height}, Qt::Vertical);
}

WindowState CaptureWindowState(const QMainWindow& window, const QDockWidget& run_log, int page) {
  const QRect place =
      (window.isMaximized() || window.isFullScreen()) ? window.normalGeometry() : window.geometry();
  WindowState state;
  state.geometry = FromQt(place);
  if (run_log.isVisible()) state.run_log_height = run_log.height();
  state.page = page;
  return state;
}

}  // namespace zt::ui
