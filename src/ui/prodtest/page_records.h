// The station's production records as a production-test page keeps them.
#pragma once

#include <memory>

#include "records/store_recorder.h"

namespace zt::ui {

class IFrameContext;

// The records of the window's store (RECORDS_FILE, else the frame's file);
// null when the window keeps no records. A store that cannot be opened is
// said in the run log.
std::unique_ptr<StationRecords> OpenPageRecords(IFrameContext& frame);

}  // namespace zt::ui
