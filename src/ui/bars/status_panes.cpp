#include "ui/bars/status_panes.h"

#include <QLabel>
#include <QStatusBar>

#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

struct PaneStart {
  std::string_view initial;
  int stretch;
};

// Panes 2 and 3 never change.
constexpr std::string_view kBanner = "Tolvane DTU 管理工具"_gbk;
constexpr std::string_view kRights = "版权所有 (C) Tolvane 通信"_gbk;

const std::array<PaneStart, kStatusPanes>& Starts() {
  static const std::string port_start = status_texts::PortNotOpenedText("COM1");
  static const std::array<PaneStart, kStatusPanes> starts = {{
      {port_start, 0},
      {status_texts::kNotConnected, 0},
      {kBanner, 1},
      {kRights, 0},
      {"                    ", 0},  // 20 blanks until the clock's first tick
  }};
  return starts;
}

}  // namespace

CStatusPanes::CStatusPanes(QStatusBar& bar) {
  for (int i = 0; i < kStatusPanes; ++i) {
    const PaneStart& pane = Starts()[static_cast<std::size_t>(i)];
    auto* label = new QLabel(Qs(pane.initial), &bar);
    label->setObjectName(QStringLiteral("status_pane_%1").arg(i));
    label->setFont(CjkFont(12, 400));
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(i == kPaneClock ? 70 : 130);
    bar.addWidget(label, pane.stretch);
    panes_[static_cast<std::size_t>(i)] = label;
  }
}

void CStatusPanes::SetPaneText(int pane, std::string_view gbk) {
  if (pane < 0 || pane >= kStatusPanes) return;
  QLabel* label = panes_[static_cast<std::size_t>(pane)];
  label->setText(Qs(gbk));
  label->repaint();
}

QString CStatusPanes::PaneText(int pane) const {
  if (pane < 0 || pane >= kStatusPanes) return {};
  return panes_[static_cast<std::size_t>(pane)]->text();
}

}  // namespace zt::ui
