// Records for the store's tests: a full one, and variations of it.
#pragma once

#include <string>

#include "records/unit_record.h"

namespace zt::test {

inline UnitRecord SampleRecord(std::string uuid, std::string started, RecordResult result = RecordResult::kPassed) {
  UnitRecord r;
  r.uuid = std::move(uuid);
  r.started = started;
  r.ended = started.substr(0, 20) + "900Z";
  r.station = "line-1-a";
  r.operator_name = "王芳";
  r.port = "/dev/serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0";
  r.tool_version = "0.1.0";
  r.finished_product = true;
  r.items = {"参数配置", "运行测试"};
  r.config_path = "/home/op/配置.ini";
  r.config_sha256 = "ab12";
  r.key_string = "ZR-3100 READY";
  r.signal_threshold = 15;
  r.software_version = "3.1.2";
  r.product_written = "P-100";
  r.imei_written = "86012345678901";
  r.product_read = "P-100";
  r.imei_read = "860123456789012";
  r.identity_lines = {"IMEI Number: 860123456789012\r\n", "Revision: ZR3100_S3_3.1.2\r\n"};
  r.signal = 20;
  r.steps = {{"连接", RecordResult::kPassed, "", 812},
             {"参数配置", RecordResult::kPassed, "", 4010},
             {"配置比较", RecordResult::kPassed, "", 2200},
             {"运行测试", result == RecordResult::kPassed ? RecordResult::kPassed : result,
              result == RecordResult::kFailed ? "信号检测失败：期望最低信号 15, 当前信号 9" : "", 9000}};
  r.result = result;
  return r;
}

}  // namespace zt::test
