// What the production test tells the production records about each unit,
// and the question it asks them before a finished unit receives its serial
// numbers. The run knows nothing of where records are kept: the front end
// hands it these interfaces (the records library implements them).
//
// A unit begins when it logged in (a connect that finds no unit is no unit)
// and ends passed, failed or stopped; the run then reports it once, on the
// run thread, and goes on when UnitEnded returns (it must return quickly).
//
// Thread safety: every call comes from the run thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "prodtest/step_progress.h"

namespace zt {

// What the steps read from the unit on the way (GBK, as the unit sent it).
struct UnitReadings {
  std::string product_read;                  // the product number read back by the compare step
  std::string imei_read;                     // the IMEI read back by the compare step
  std::vector<std::string> identity_lines;   // the run test's "IMEI Number:" ... lines
  std::optional<std::int32_t> signal;        // the AT+CSQ value
};

enum class UnitEnd { kPassed, kFailed, kStopped };

struct UnitStepReport {
  UnitStage stage = UnitStage::kConnect;
  std::string name;          // GBK: UnitStageName, or the duplicate-IMEI check's
  UnitEnd result = UnitEnd::kPassed;
  std::string failure;       // GBK: the run's failure text when the step failed
  std::int64_t duration_ms = 0;
};

struct UnitReport {
  std::chrono::system_clock::time_point started;  // the connect that found the unit began
  std::chrono::system_clock::time_point ended;
  bool finished_product = false;
  bool configure_item = false;
  bool upgrade_item = false;
  bool run_test_item = false;
  std::string config_file;         // file-system bytes, empty without the configure item
  std::string key_string;          // GBK
  std::int32_t signal_threshold = 0;
  std::string port_name;           // as the port was opened
  std::string software_version;    // GBK: the SPSV value
  std::string product_written;     // GBK: what the configure step sends a finished unit
  std::string imei_written;
  UnitReadings readings;
  bool duplicate_imei_override = false;
  std::vector<UnitStepReport> steps;
  UnitEnd result = UnitEnd::kStopped;
};

class IUnitRecorder {
 public:
  virtual ~IUnitRecorder() = default;
  // Before each unit's connect, with the port's name as it was opened:
  // false when records are required and cannot be written, and the run must
  // not start the unit.
  virtual bool UnitStarting(const std::string& port_name) = 0;
  // The unit's record; a GBK run-log line when it could not be written
  // (the unit's result stays as it is), else "".
  virtual std::string UnitEnded(const UnitReport& report) = 0;
};

class IDuplicateImeiGuard {
 public:
  virtual ~IDuplicateImeiGuard() = default;
  // The earlier passed unit of another product that used `imei`, as the
  // run's failure text (GBK "IMEI号 %s 已用于产品 %s（%s，%s）"); nothing when
  // there is none (or the records cannot be asked: `note` then holds a GBK
  // run-log line saying so).
  virtual std::optional<std::string> EarlierUse(const std::string& imei, const std::string& product,
                                                std::string& note) = 0;
};

// GBK "无法写入测试记录，测试停止": the run's line when a unit may not start.
std::string_view RecordsRequiredStopLine();
// GBK "重复IMEI检查": the step name of the duplicate check in a record.
std::string_view DuplicateImeiCheckName();

// The value of an SPSV answer excerpt ("SPSV=3.1.2\r\nOK"): the text after
// the first "SPSV=" (or "SPSV:"), up to the line end.
std::string VersionValue(std::string_view excerpt);

}  // namespace zt
