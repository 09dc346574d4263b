#include "records/unit_record.h"

namespace zt {

const char* RecordResultToken(RecordResult r) {
  switch (r) {
    case RecordResult::kPassed:
      return "passed";
    case RecordResult::kFailed:
      return "failed";
    case RecordResult::kStopped:
      return "stopped";
  }
  return "stopped";
}

std::optional<RecordResult> RecordResultFromToken(const std::string& token) {
  for (const RecordResult r : {RecordResult::kPassed, RecordResult::kFailed, RecordResult::kStopped}) {
    if (token == RecordResultToken(r)) return r;
  }
  return std::nullopt;
}

}  // namespace zt
