// One unit's production-test record: who tested which unit where, with what
// choices, what the unit said, each step's result and the verdict. Texts the
// unit or the tool produced are stored as UTF-8 (converted from GBK where the
// run wrote GBK); times are UTC, ISO 8601 with milliseconds
// ("2026-12-07T23:41:05.123Z").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zt {

enum class RecordResult { kPassed, kFailed, kStopped };

// "passed", "failed", "stopped".
const char* RecordResultToken(RecordResult r);
std::optional<RecordResult> RecordResultFromToken(const std::string& token);

struct StepRecord {
  std::string name;        // the step's name: "连接", "参数配置", "配置比较", "程序升级", "运行测试" (UTF-8)
  RecordResult result = RecordResult::kFailed;
  std::string failure;     // the failure text the run showed (UTF-8), empty when it passed
  std::int64_t duration_ms = 0;
};

struct UnitRecord {
  std::string uuid;        // random (version 4), lower case, the record's key everywhere
  std::string started;     // UTC ISO 8601 with milliseconds
  std::string ended;
  std::string station;     // tool_set.ini, default the host name
  std::string operator_name;
  std::string port;        // the stable name where there is one
  std::string tool_version;

  bool finished_product = false;  // finished (成品) or semi-finished (半成品) test
  std::vector<std::string> items; // the items chosen, e.g. "参数配置", "运行测试"
  std::string config_path;
  std::string config_sha256;      // lower-case hex of the configuration file's bytes, empty without one
  std::string key_string;
  std::int32_t signal_threshold = 0;

  std::string software_version;   // the unit's SPSV answer
  std::string product_written;
  std::string imei_written;
  std::string product_read;
  std::string imei_read;
  std::vector<std::string> identity_lines;  // the run test's "IMEI Number:" ... lines
  std::optional<std::int32_t> signal;        // the AT+CSQ value when the signal was checked

  bool duplicate_imei_override = false;  // the operator let a unit with a used IMEI through
  std::vector<StepRecord> steps;
  RecordResult result = RecordResult::kStopped;
};

// Which records a listing, an export or the statistics take. Empty fields
// take every record; times compare as the ISO texts they are.
struct RecordFilter {
  std::string since;   // started >= since
  std::string until;   // started < until
  std::string imei;    // written or read back
  std::string product; // written or read back
  std::optional<RecordResult> result;
  std::string station;
  std::size_t limit = 0;  // 0: no limit; newest first
};

// The earlier passed unit that used an IMEI, for the duplicate guard.
struct ImeiUse {
  std::string uuid;
  std::string ended;
  std::string station;
  std::string product;
};

}  // namespace zt
