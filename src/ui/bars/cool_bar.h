// CCoolBar: the docking bar that holds the run log at the bottom of the main
// window. The mouse cannot move, float or close it; only the frame's
// commands show, hide or re-dock it. Its one child fills it.
#pragma once

#include <QDockWidget>
#include <string_view>

namespace zt::ui {

class CCoolBar : public QDockWidget {
  Q_OBJECT

 public:
  // The bar's height when docked at the bottom, before the operator drags the
  // separator above it.
  static constexpr int kDefaultHeight = 120;

  CCoolBar(std::string_view gbk_title, QWidget* parent);

  QSize sizeHint() const override;
};

}  // namespace zt::ui
