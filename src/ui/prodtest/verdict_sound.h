// The sound of a verdict, without a sound library: the system bell, once for
// a passed unit and three times in quick succession for a failed one, so that
// a line hears which it was without looking.
//
// UI thread only.
#pragma once

#include "prodtest/step_progress.h"

namespace zt::ui {

void PlayVerdictSound(UnitVerdict verdict);

}  // namespace zt::ui
