#include "ui/config/view_config.h"

namespace zt::ui {

CViewConfig::CViewConfig(IFrameContext& frame, QWidget* parent) : CViewBase(frame, parent) {
  setObjectName("viewConfig");
}

CViewConfig::~CViewConfig() = default;

}  // namespace zt::ui
