#include "ui/shell/view_factory.h"

#include "ui/config/view_config.h"
#include "ui/prodtest/view_test.h"
#include "ui/update/view_update.h"

namespace zt::ui {

// The AT terminal (131) joins here with a case of its own.
CViewBase* CreateView(int view_id, IFrameContext& frame, QWidget* parent) {
  switch (view_id) {
    case kViewConfig:
      return new CViewConfig(frame, parent);
    case kViewUpdate:
      return new CViewUpdate(frame, parent);
    case kViewTest:
      return new CViewTest(frame, parent);
    default:
      return nullptr;
  }
}

}  // namespace zt::ui
