// The five panes of the main window's status bar: port state, DTU connection
// state, a banner, a rights notice and the clock.
#pragma once

#include <QString>
#include <array>
#include <string>
#include <string_view>

#include "text/gbk_literal.h"

class QLabel;
class QStatusBar;

namespace zt::ui {

enum StatusPane : int {
  kPanePort = 0,
  kPaneConnection = 1,
  kPaneBanner = 2,
  kPaneRights = 3,
  kPaneClock = 4,
};
inline constexpr int kStatusPanes = 5;

namespace status_texts {
using namespace zt::literals;
// The texts of pane 1.
inline constexpr std::string_view kNotConnected = "连接状态: 未连接"_gbk;
inline constexpr std::string_view kConnected = "连接状态: 已连接"_gbk;
// Pane 0 before the port was ever opened: the port in force, closed.
inline std::string PortNotOpenedText(std::string_view port_name) {
  return std::string(port_name) + std::string(":  关闭"_gbk);
}
}  // namespace status_texts

class CStatusPanes {
 public:
  // Adds the panes to `bar` with their initial texts.
  explicit CStatusPanes(QStatusBar& bar);

  // Replaces a pane's text (GBK); the pane repaints at once. Other indices
  // are ignored.
  void SetPaneText(int pane, std::string_view gbk);
  QString PaneText(int pane) const;

 private:
  std::array<QLabel*, kStatusPanes> panes_{};
};

}  // namespace zt::ui
