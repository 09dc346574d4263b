#include "ui/shell/view_factory.h"

namespace zt::ui {

CViewBase* CreateView(int view_id, IFrameContext& /*frame*/, QWidget* /*parent*/) {
  switch (view_id) {
    default:
      return nullptr;
  }
}

}  // namespace zt::ui
