// The parameter configuration page (view id 101): the group tree on the left,
// the editable parameter list of the chosen group on the right, and under it
// the select-all box and the command buttons that post work to the
// configuration worker. The page owns no data: it shows and edits the shared
// catalogue and learns of the worker's results through the frame.
#pragma once

#include "ui/shell/view_base.h"

namespace zt::ui {

class CViewConfig : public CViewBase {
  Q_OBJECT

 public:
  CViewConfig(IFrameContext& frame, QWidget* parent);
  ~CViewConfig() override;

  int ViewId() const override { return kViewConfig; }
};

}  // namespace zt::ui
