#include "ui/shell/view_factory.h"

#include "ui/config/view_config.h"
#include "ui/prodtest/view_multi_test.h"
#include "ui/prodtest/view_test.h"
#include "ui/records/view_records.h"
#include "ui/terminal/view_serial.h"
#include "ui/update/view_update.h"

namespace zt::ui {

// One case per page; a switch builds a fresh page every time.
CViewBase* CreateView(int view_id, IFrameContext& frame, QWidget* parent) {
  switch (view_id) {
    case kViewConfig:
      return new CViewConfig(frame, parent);
    case kViewUpdate:
      return new CViewUpdate(frame, parent);
    case kViewSerial:
      return new CViewSerial(frame, parent);
    case kViewTest:
      return new CViewTest(frame, parent);
    case kViewMultiTest:
      return new CViewMultiTest(frame, parent);
    case kViewRecords:
      return new CViewRecords(frame, parent);
    default:
      return nullptr;
  }
}

}  // namespace zt::ui
