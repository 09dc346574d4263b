#include "ui/bars/cool_bar.h"

#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"

namespace zt::ui {

CCoolBar::CCoolBar(std::string_view gbk_title, QWidget* parent) : QDockWidget(Qs(gbk_title), parent) {
  setObjectName(QStringLiteral("run_log_bar"));
  // No close box, no floating, no dragging: the bar stays where the frame put it.
  setFeatures(QDockWidget::NoDockWidgetFeatures);
  setAllowedAreas(Qt::BottomDockWidgetArea);
  setFont(CjkFont(12, 400));
}

QSize CCoolBar::sizeHint() const {
  QSize hint = QDockWidget::sizeHint();
  hint.setHeight(kDefaultHeight);
  return hint;
}

}  // namespace zt::ui
