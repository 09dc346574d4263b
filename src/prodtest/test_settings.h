// The production test's settings apart from its widgets: the choices of the
// test view, the check that Start makes before a run, section "TEST" of
// tool_set.ini, which controls the view enables in each state, and the
// acceptance rules of the serial-number dialog.
//
// Thread safety: plain functions and records; the file functions may be
// called from any thread (the view calls them on the UI thread).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zt {

// What the operator chose on the test view.
struct TestChoices {
  bool semi_finished = false;   // "半成品测试" selected; otherwise "成品测试"
  bool continuous = false;      // "连续配置测试"
  std::int32_t wait_time = 15;  // seconds between two units
  bool configure_item = false;  // "参数配置": configure, then compare
  std::string config_file;      // file-system bytes (UTF-8 on Linux); stored in GBK
  bool upgrade_item = false;    // "程序升级" (the view keeps it hidden)
  std::string upgrade_file;
  bool run_test_item = false;   // "运行测试"
  std::string key_string;       // GBK: what the unit prints once it runs
  std::int64_t signal_threshold = 0;  // lowest acceptable signal, 0 to 31
  bool allow_duplicate_imei = false;  // "允许重复IMEI": a used IMEI may be written again
};

// What a validated Start hands to the run.
struct RunSettings {
  std::string config_file;  // set when the configure item was chosen
  std::string key_string;   // GBK
  std::int32_t signal_threshold = 0;
  std::string upgrade_file;
  bool allow_duplicate_imei = false;
};

// GBK "错误提示": the caption of Start's refusals (exclamation icon).
std::string_view StartRefusalCaption();

struct StartVerdict {
  std::optional<RunSettings> run;  // set when Start may go on
  std::string refusal;             // GBK message text otherwise
  bool accepted() const { return run.has_value(); }
};

// Start's checks, in order:
//   configure item ticked, no file at the path (or a folder):  "请选择参数文件"
//   configure item ticked, a path that GBK cannot hold:        "参数文件路径含有GBK无法表示的字符"
//   run-test item ticked, threshold below 0 or above 31:       "输入错误, CSQ的范围是0~31"
//   run-test item ticked, empty key string:                    "请填写关键字符串"
//   neither item chosen:                                       "没有选择配置测试项"
StartVerdict ValidateStart(const TestChoices& choices);

// Section "TEST" as a validated Start writes it, keys in this order:
// "PRODUCT", "MULTI_TEST", "WAIT_TIMEVAL", "CONFIG_TEST", "CONFIG_FILE",
// "RUN_TEST", "RUN_CSQ", "RUN_INFO". "CONFIG_FILE" holds the path in GBK.
// The file is written once; false when it could not be written (or the path
// has no GBK form), for the caller to report with TestSectionNotSavedLine().
bool WriteTestSection(const std::string& settings_path, const TestChoices& choices);

// GBK "保存测试设置失败!\r\n": the test's line when section "TEST" could not be
// written; the run goes on with the choices made.
std::string_view TestSectionNotSavedLine();

// The view as it opens, from section "TEST" (values read up to 255 bytes).
struct TestViewOpening {
  bool semi_finished = false;     // "PRODUCT" is "0"
  bool continuous = false;        // always cleared when the view opens
  std::string wait_time_text;     // "WAIT_TIMEVAL" when "MULTI_TEST" is "1"; else empty (the edit keeps 15)
  bool configure_item = false;    // "CONFIG_TEST" is "1"
  std::string config_file;        // "CONFIG_FILE" (GBK in the file) as file-system bytes, when
                                  // the configure item is ticked
  bool run_test_item = false;     // "RUN_TEST" is "1"
  std::string signal_threshold_text;  // "RUN_CSQ" when the run-test item is ticked
  std::string key_string;         // "RUN_INFO" when the run-test item is ticked
};
TestViewOpening ReadTestSection(const std::string& settings_path);

// Which controls of the test view are enabled.
struct TestControlStates {
  bool start = false;
  bool stop = false;
  bool test_type = false;           // both radio buttons
  bool continuous_box = false;      // "连续配置测试"
  bool configure_box = false;       // "参数配置"
  bool run_test_box = false;        // "运行测试"
  bool import_config = false;       // "导入参数文件"
  bool wait_time_edit = false;
  bool key_string_edit = false;
  bool signal_threshold_edit = false;
  bool operator==(const TestControlStates&) const = default;
};

// Idle: what RestoreTestControls applies (and the state after the view opened).
TestControlStates RestoredTestControls(bool configure_ticked, bool continuous_ticked, bool run_test_ticked);
// Running: what Start applies once the choices passed.
TestControlStates RunningTestControls();

// The serial-number dialog's "确定".
struct SerialNumberVerdict {
  enum class Focus { kNone, kProduct, kImei };
  bool accepted = false;
  std::string refusal;           // GBK message text (caption "提示", stop icon)
  Focus focus = Focus::kNone;    // where the dialog puts the focus on a refusal
  bool clear_product = false;    // the product number edit is emptied
};
// GBK "提示".
std::string_view SerialNumberCaption();
// The IMEI edit's text when the dialog opens.
std::string_view DefaultImeiText();
//   empty product number:                      "产品编号不能为空"
//   a byte from "a" to "z", or a control byte (below 0x20, or 0x7F), in the
//   product number:                            "输入产品编号不合法" (the edit is emptied)
//   IMEI other than 14 or 15 digits:           "输入的IMEI号不合法"
SerialNumberVerdict CheckSerialNumbers(std::string_view product, std::string_view imei);
// The refusal of a product number that holds a character it may not hold
// (the second case above): "输入产品编号不合法".
SerialNumberVerdict ProductNumberRefusal();

}  // namespace zt
