#include "ui/shell/view_factory.h"

#include "ui/config/view_config.h"
#include "ui/terminal/view_serial.h"

namespace zt::ui {

// The AT terminal (131), the production-test view (132) and the upgrade page
// (130) join here, one case each, with their pages.
CViewBase* CreateView(int view_id, IFrameContext& frame, QWidget* parent) {
  switch (view_id) {
    case kViewConfig:
      return new CViewConfig(frame, parent);
    case kViewSerial:
      return new CViewSerial(frame, parent);
    default:
      return nullptr;
  }
}

}  // namespace zt::ui
