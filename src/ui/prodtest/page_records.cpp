#include "ui/prodtest/page_records.h"

#include "settings/record_settings.h"
#include "settings/tool_settings.h"
#include "ui/shell/frame_context.h"
#include "zereltool/version.h"

namespace zt::ui {

std::unique_ptr<StationRecords> OpenPageRecords(IFrameContext& frame) {
  if (frame.RecordsFile().empty()) return nullptr;
  StationRecords::Setup setup;
  setup.settings = ReadRecordSettings(frame.Settings().Get().settings_path);
  setup.records_file = setup.settings.file.empty() ? frame.RecordsFile() : setup.settings.file;
  setup.tool_version = kVersion;
  auto records = std::make_unique<StationRecords>(setup);
  if (!records->local_error().empty()) frame.AddLogLine(RecordNotWrittenLine(records->local_error()));
  return records;
}

}  // namespace zt::ui
