// How the frame gets a fresh page for a view id. Every switch builds a new
// page through one function; each page the tool has is one case in it.
#pragma once

#include <functional>

#include "ui/shell/view_base.h"

namespace zt::ui {

// A page for `view_id`, a child of `parent`, or nullptr when the tool has no
// such page.
using ViewFactory = std::function<CViewBase*(int view_id, IFrameContext& frame, QWidget* parent)>;

// The tool's pages.
CViewBase* CreateView(int view_id, IFrameContext& frame, QWidget* parent);

}  // namespace zt::ui
